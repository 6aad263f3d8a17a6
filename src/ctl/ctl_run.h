#pragma once

// zulctl from its arguments to its exit code: the one place that connects the parsed
// request, the connection, the answer and the terminal.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "ctl/ctl_request.h"

namespace zul::ctl {

struct Terminal {
    // The next line typed (without its line end), or nothing at the end of the input.
    std::function<std::optional<QString>()> readLine;
    // One line for standard output, one for standard error (without line end).
    std::function<void(const QString&)> out;
    std::function<void(const QString&)> err;
};

int run(const QStringList& args, const Environment& env, const Terminal& terminal);

}  // namespace zul::ctl
