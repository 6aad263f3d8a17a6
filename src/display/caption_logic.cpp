#include "display/caption_logic.h"

#include "model/line_list.h"

namespace zul {

NextCaption takeNextScrollLine(LineList& list, int& textIndex, int& lineAppend) {
    for (int i = 0; i < kMaxLinesSkipped; ++i) {
        ++textIndex;
        if (textIndex >= list.size()) {
            if (lineAppend == 0) {
                textIndex = 0;
                if (list.isEmpty()) {
                    return {true, {}};
                }
            } else {
                // The queue is done: scrolling ends with a blank strip.
                list.clear();
                textIndex = -1;
                return {true, {}};
            }
        }
        const QByteArray line = list.at(textIndex);
        if (!line.isEmpty()) {
            return {false, line};
        }
        if (lineAppend == 1) {
            // A queued empty line ends the queue once it has scrolled through.
            list.setLines({QByteArray()});
            lineAppend = -1;
            return {false, {}};
        }
    }
    return {false, {}};
}

}  // namespace zul
