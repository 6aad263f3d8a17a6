#pragma once

// Files that display-side commands read from a name given by a peer: in a packet, or in a
// file set or a list that a packet named. A command reads only files of its own kind, told
// by the name's extension (ASCII case ignored), so that no packet can make the display
// machine read, and pass on, an arbitrary file of the machine. Each command turns its
// operand into a path here, and nowhere else.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zul {

enum class OperandFile {
    Settings,    // ".rd1"
    FileSet,     // ".rf1"
    Parts,       // ".rp1" parts definition
    PartValues,  // ".rv1"
    WebList,     // ".rw1"
    TextList,    // ".txt" caption list
    Worksheet,   // ".csv"
    Picture,     // ".bmp", ".jpg", ".jpeg", ".ico", ".emf", ".wmf"
};

// How a command makes a path of its operand.
enum class NameRule {
    BaseJoin,        // always joined to the base directory
    AbsoluteOrJoin,  // an absolute name as it stands, any other joined to the base directory
};

// Whether the extension of `name` (from the last dot of its last part, '/' and '\' both
// separating parts; a dot that starts the part is no extension) is one of the kind's.
bool hasOperandFileExtension(OperandFile kind, QStringView name);

// The kind as a log line names it, with its extensions: "部品定義ファイル（.rp1）".
QString operandFileDescription(OperandFile kind);

// The path that a command of `kind` reads for the code page 932 name `operand`. Throws
// ZulError naming the file and the kind the command reads when the name is not of that
// kind, or holds a NUL character (the system would read a shorter name): nothing is read
// then.
QString operandFilePath(OperandFile kind, NameRule rule, const QString& baseDir,
                        QByteArrayView operand);

}  // namespace zul
