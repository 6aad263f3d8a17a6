#pragma once

// Comma text: the form framework's way of holding a list of texts in one line, as grid rows
// travel in packets and stand in worksheet files. The rules work on bytes: code page 932
// trail bytes (0x40 and above) are never blanks, commas or double quotes, so a double-byte
// character can never be mistaken for a separator.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace zul {

// The cells joined by commas. A cell that contains a blank, a control character (bytes 0x00
// to 0x20), a comma or a double quote is enclosed in double quotes with its double quotes
// doubled; an empty cell gives an empty field. The one exception is a list of a single
// empty cell, which gives "" (two double quotes) so that it still reads back as one field.
QByteArray toCommaText(const QByteArrayList& cells);

// The fields of a comma text, at most `maxFields` of them (later fields are dropped):
// - blanks and control characters before a field are skipped;
// - a field that starts with a double quote runs to the matching closing quote, two double
//   quotes inside standing for one; without a closing quote it runs to the end of the text,
//   less a line end there;
// - any other field runs up to the next comma, blank or control character, so unquoted
//   blanks separate fields as commas do;
// - after a field, blanks are skipped, then a comma and the blanks after it;
// - an empty field, i.e. two commas with only blanks between them, a comma at the very end
//   of the text or "" (two double quotes), is given as a single space " " so that the fields
//   after it keep their places. A comma followed only by blanks or a line end adds nothing.
// A NUL byte ends the text.
QByteArrayList fromCommaText(QByteArrayView text, int maxFields);

}  // namespace zul
