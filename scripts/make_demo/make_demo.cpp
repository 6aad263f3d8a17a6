// Writes the generated files of the demo base directory: four title pictures, a two-page
// event programme as PDF, the source of a short presentation (make_demo.sh has LibreOffice
// turn it into slideshow.odp), a caption text list, the web update list that rotates them
// and a file set that starts the caption list and loads the parts. Run once through
// scripts/make_demo.sh; the output is committed. The settings files (startup.rd1 and the
// scroll_on.rd1 / scroll_off.rd1 switches), welcome.htm, the parts (demo.rp1), their values
// (demo.rv1) and the worksheet (demo.csv) are kept by hand. Usage: make_demo <demo folder>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdio>
#include <stdexcept>

#include "content/web_list.h"
#include "platform/cp932.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kJpegQuality = 88;
constexpr qint64 kMaxPictureBytes = 150 * 1024;
const QString kFontFamily = QStringLiteral("IPAPGothic");

struct Slide {
    const char* file;
    const char* title;
    const char* subtitle;
    QColor from;
    QColor to;
};

const Slide kSlides[] = {
    {"demo1.jpg", "ZUL デモ 1", "ようこそ　秋のふれあいコンサートへ", QColor(0x1d, 0x6f, 0xa3),
     QColor(0x3f, 0xc1, 0xc9)},
    {"demo2.jpg", "ZUL デモ 2", "第一部　合唱とピアノ", QColor(0xe8, 0x6a, 0x4a),
     QColor(0xf6, 0xc1, 0x5b)},
    {"demo3.jpg", "ZUL デモ 3", "休憩（１５分）", QColor(0x2e, 0x8b, 0x57),
     QColor(0xa8, 0xd5, 0x6b)},
    {"demo4.jpg", "ZUL デモ 4", "ご来場ありがとうございました", QColor(0x4b, 0x2c, 0x8a),
     QColor(0xc0, 0x5c, 0xa8)},
};

const char* const kCaptions[] = {
    "本日はご来場いただき、まことにありがとうございます。",
    "開演は午後１時３０分です。お席についてお待ちください。",
    "携帯電話はマナーモードに設定するか、電源をお切りください。",
    "会場内での飲食・録音・撮影はご遠慮ください。",
    "休憩は午後２時４０分から１５分間を予定しています。",
    "お帰りの際は、お忘れ物のないようご注意ください。",
};

// Pictures and the PDF are names relative to the base directory; the web page is a relative
// address that the display machine resolves against the base directory too.
const char* const kRotation[] = {
    "welcome.htm", "demo1.jpg", "demo2.jpg", "program.pdf", "demo3.jpg", "demo4.jpg",
};

QFont font(int pixelSize, bool bold) {
    QFont f(kFontFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
}

// Code page 932 text with CR LF after each line.
QByteArray crLfLines(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        int unmappable = 0;
        out += zul::cp932::encode(line, &unmappable);
        if (unmappable != 0) {
            fail(QStringLiteral("not in code page 932: %1").arg(line));
        }
        out += "\r\n";
    }
    return out;
}

// A diagonal gradient with a few soft circles, so the picture has some depth but still
// compresses well.
void paintBackground(QPainter& p, const QRect& area, const QColor& from, const QColor& to) {
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    p.fillRect(area, gradient);
    p.setPen(Qt::NoPen);
    const struct {
        double x, y, r;
        int alpha;
    } circles[] = {{0.12, 0.18, 0.22, 28},
                   {0.88, 0.82, 0.30, 24},
                   {0.78, 0.12, 0.12, 32},
                   {0.20, 0.90, 0.16, 20},
                   {0.55, 0.55, 0.45, 12}};
    for (const auto& c : circles) {
        p.setBrush(QColor(255, 255, 255, c.alpha));
        const double r = c.r * area.height();
        p.drawEllipse(QPointF(area.left() + c.x * area.width(), area.top() + c.y * area.height()),
                      r, r);
    }
}

void drawShadowedText(QPainter& p, const QRect& box, const QString& text) {
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(box.translated(4, 4), Qt::AlignCenter, text);
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
}

void writePicture(const QString& folder, const Slide& slide) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintBackground(p, image.rect(), slide.from, slide.to);
        p.setFont(font(150, true));
        drawShadowedText(p, QRect(0, 170, kWidth, 220), QString::fromUtf8(slide.title));
        p.setFont(font(60, false));
        drawShadowedText(p, QRect(0, 420, kWidth, 100), QString::fromUtf8(slide.subtitle));
        p.setFont(font(24, false));
        p.setPen(QColor(255, 255, 255, 200));
        p.drawText(QRect(0, kHeight - 60, kWidth - 40, 40), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("表示順リスト startup.rw1 で自動的に切り替わります"));
    }
    const QString path = QDir(folder).filePath(QString::fromLatin1(slide.file));
    if (!image.save(path, "JPG", kJpegQuality)) {
        fail(QStringLiteral("cannot write %1").arg(path));
    }
    if (QFileInfo(path).size() > kMaxPictureBytes) {
        fail(QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxPictureBytes));
    }
}

// One page of the programme: a coloured heading band and rows of two columns.
struct ProgrammeRow {
    const char* left;
    const char* right;
};

void drawProgrammePage(QPainter& p, const QString& heading, const QString& note,
                       std::initializer_list<ProgrammeRow> rows) {
    const QRect page(0, 0, kWidth, kHeight);
    p.fillRect(page, QColor(0xfb, 0xf7, 0xef));
    QRect band(0, 0, kWidth, 150);
    paintBackground(p, band, QColor(0xe8, 0x6a, 0x4a), QColor(0xf6, 0xc1, 0x5b));
    p.setFont(font(30, false));
    p.setPen(Qt::white);
    p.drawText(QRect(70, 20, kWidth - 140, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("秋のふれあいコンサート"));
    p.setFont(font(58, true));
    p.drawText(QRect(70, 60, kWidth - 140, 80), Qt::AlignLeft | Qt::AlignVCenter, heading);

    int y = 200;
    for (const ProgrammeRow& row : rows) {
        p.setPen(QColor(0xc8, 0x50, 0x32));
        p.setFont(font(34, true));
        p.drawText(QRect(90, y, 260, 56), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(row.left));
        p.setPen(QColor(0x33, 0x33, 0x33));
        p.setFont(font(34, false));
        p.drawText(QRect(360, y, kWidth - 450, 56), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(row.right));
        p.setPen(QPen(QColor(0xe0, 0xd6, 0xc4), 2));
        p.drawLine(90, y + 60, kWidth - 90, y + 60);
        y += 66;
    }
    p.setPen(QColor(0x77, 0x77, 0x77));
    p.setFont(font(24, false));
    p.drawText(QRect(90, kHeight - 70, kWidth - 180, 40), Qt::AlignLeft | Qt::AlignVCenter, note);
}

void writeProgramme(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("program.pdf"));
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("秋のふれあいコンサート　プログラム"));
    writer.setCreator(QStringLiteral("ZUL make_demo"));
    writer.setResolution(96);
    // A 16:9 page, so a page fills the screen of the display machine like the pictures.
    writer.setPageSize(QPageSize(QSizeF(kWidth * 25.4 / 96, kHeight * 25.4 / 96),
                                 QPageSize::Millimeter, QStringLiteral("Screen 16:9")));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));

    QPainter p;
    if (!p.begin(&writer)) {
        fail(QStringLiteral("cannot write %1").arg(path));
    }
    p.setRenderHint(QPainter::Antialiasing);
    drawProgrammePage(p, QStringLiteral("プログラム"),
                      QStringLiteral("会場　ZUL 市民ホール 大ホール　／　開場 13:00　開演 13:30"),
                      {{"13:30", "開演・ごあいさつ"},
                       {"13:40", "第一部　合唱とピアノ"},
                       {"14:40", "休憩（１５分）"},
                       {"14:55", "第二部　吹奏楽のひととき"},
                       {"15:45", "全員合唱「ふるさと」"},
                       {"16:00", "終演（予定）"}});
    writer.newPage();
    drawProgrammePage(p, QStringLiteral("出演とお願い"),
                      QStringLiteral("主催　ZUL 市民ホール 文化事業係"),
                      {{"合唱", "ZUL 市民合唱団"},
                       {"ピアノ", "ゲスト奏者"},
                       {"吹奏楽", "ZUL ジュニア吹奏楽団"},
                       {"お願い", "携帯電話はマナーモードにしてください"},
                       {"", "録音・撮影はご遠慮ください"},
                       {"", "字幕は画面下の帯に表示されます"}});
    p.end();
}

// The short presentation for the console's slide show buttons, as a flat OpenDocument
// presentation that make_demo.sh has LibreOffice turn into slideshow.odp: four slides, a
// fade between them, and on the first one a line that appears with the first click.
struct PresentationSlide {
    const char* colour;
    const char* title;
    const char* line;
    bool lineOnClick;
};

const PresentationSlide kPresentation[] = {
    {"#1d6fa3", "秋のふれあいコンサート", "「開始」「次へ」「前」「表示中止」で操作します", true},
    {"#e86a4a", "第一部　合唱とピアノ", "ZUL 市民合唱団・ゲスト奏者", false},
    {"#2e8b57", "第二部　吹奏楽のひととき", "ZUL ジュニア吹奏楽団", false},
    {"#4b2c8a", "ご来場ありがとうございました", "お気をつけてお帰りください", false},
};

QString xmlEscaped(const char* utf8) {
    return QString::fromUtf8(utf8).toHtmlEscaped();
}

QString presentationSource() {
    QString pages;
    int n = 0;
    for (const PresentationSlide& slide : kPresentation) {
        ++n;
        const QString id = QStringLiteral("line%1").arg(n);
        QString page =
            QStringLiteral(
                "<draw:page draw:name=\"slide%1\" draw:style-name=\"dp%1\" "
                "draw:master-page-name=\"Default\">\n"
                "<draw:frame draw:style-name=\"title\" svg:x=\"1cm\" svg:y=\"4.5cm\" "
                "svg:width=\"26cm\" svg:height=\"3.5cm\"><draw:text-box>"
                "<text:p text:style-name=\"big\">%2</text:p></draw:text-box></draw:frame>\n"
                "<draw:frame draw:id=\"%3\" draw:style-name=\"title\" svg:x=\"1cm\" "
                "svg:y=\"9cm\" svg:width=\"26cm\" svg:height=\"2.5cm\"><draw:text-box>"
                "<text:p text:style-name=\"small\">%4</text:p></draw:text-box>"
                "</draw:frame>\n")
                .arg(n)
                .arg(xmlEscaped(slide.title), id, xmlEscaped(slide.line));
        if (slide.lineOnClick) {
            page +=
                QStringLiteral(
                    "<anim:par presentation:node-type=\"timing-root\"><anim:seq "
                    "presentation:node-type=\"main-sequence\"><anim:par "
                    "smil:begin=\"indefinite\"><anim:par smil:begin=\"0s\"><anim:par "
                    "smil:begin=\"0s\" smil:fill=\"hold\" presentation:node-type=\"on-click\" "
                    "presentation:preset-class=\"entrance\" "
                    "presentation:preset-id=\"ooo-entrance-appear\"><anim:set smil:begin=\"0s\" "
                    "smil:dur=\"0.001s\" smil:fill=\"hold\" smil:targetElement=\"%1\" "
                    "smil:attributeName=\"visibility\" smil:to=\"visible\"/></anim:par>"
                    "</anim:par></anim:par></anim:seq></anim:par>\n")
                    .arg(id);
        }
        pages += page + QStringLiteral("</draw:page>\n");
    }
    QString pageStyles;
    n = 0;
    for (const PresentationSlide& slide : kPresentation) {
        ++n;
        pageStyles += QStringLiteral(
                          "<style:style style:name=\"dp%1\" style:family=\"drawing-page\">"
                          "<style:drawing-page-properties draw:fill=\"solid\" "
                          "draw:fill-color=\"%2\" presentation:transition-type=\"automatic\" "
                          "smil:type=\"fade\" smil:subtype=\"crossfade\" "
                          "presentation:transition-speed=\"fast\"/></style:style>\n")
                          .arg(n)
                          .arg(QString::fromLatin1(slide.colour));
    }
    const QString text = QStringLiteral(
        "fo:color=\"#ffffff\" fo:font-family=\"IPAPGothic\" "
        "style:font-family-asian=\"IPAPGothic\"");
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
               "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
               "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
               "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
               "xmlns:smil=\"urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0\" "
               "xmlns:anim=\"urn:oasis:names:tc:opendocument:xmlns:animation:1.0\" "
               "office:version=\"1.3\" "
               "office:mimetype=\"application/vnd.oasis.opendocument.presentation\">\n"
               "<office:automatic-styles>\n"
               "<style:page-layout style:name=\"PM1\"><style:page-layout-properties "
               "fo:page-width=\"28cm\" fo:page-height=\"15.75cm\" fo:margin-top=\"0cm\" "
               "fo:margin-bottom=\"0cm\" fo:margin-left=\"0cm\" fo:margin-right=\"0cm\" "
               "style:print-orientation=\"landscape\"/></style:page-layout>\n"
               "%1"
               "<style:style style:name=\"title\" "
               "style:family=\"graphic\"><style:graphic-properties "
               "draw:stroke=\"none\" draw:fill=\"none\" draw:textarea-vertical-align=\"middle\"/>"
               "</style:style>\n"
               "<style:style style:name=\"big\" "
               "style:family=\"paragraph\"><style:paragraph-properties "
               "fo:text-align=\"center\"/><style:text-properties %2 fo:font-size=\"48pt\" "
               "style:font-size-asian=\"48pt\" fo:font-weight=\"bold\" "
               "style:font-weight-asian=\"bold\"/></style:style>\n"
               "<style:style style:name=\"small\" style:family=\"paragraph\">"
               "<style:paragraph-properties fo:text-align=\"center\"/><style:text-properties %2 "
               "fo:font-size=\"26pt\" style:font-size-asian=\"26pt\"/></style:style>\n"
               "</office:automatic-styles>\n"
               "<office:master-styles><style:master-page style:name=\"Default\" "
               "style:page-layout-name=\"PM1\"/></office:master-styles>\n"
               "<office:body><office:presentation>\n%3</office:presentation></office:body>\n"
               "</office:document>\n")
        .arg(pageStyles, text, pages);
}

void writePresentationSource(const QString& folder) {
    writeBytes(QDir(folder).filePath(QStringLiteral("slideshow.fodp")),
               presentationSource().toUtf8());
}

void writeTextFiles(const QString& folder) {
    const QDir dir(folder);
    QStringList captions;
    for (const char* line : kCaptions) {
        captions << QString::fromUtf8(line);
    }
    writeBytes(dir.filePath(QStringLiteral("captions.txt")), crLfLines(captions));

    QByteArrayList rotation;
    for (const char* entry : kRotation) {
        rotation << QByteArray(entry);
    }
    QString error;
    if (!zul::writeWebList(dir.filePath(QStringLiteral("startup.rw1")), rotation, &error)) {
        fail(error);
    }

    // The background is left empty, so the file set does not replace the background that
    // the web update list rotates; it starts the caption list and loads the parts, their
    // values and the worksheet that the parts show a cell of.
    writeBytes(
        dir.filePath(QStringLiteral("startup.rf1")),
        crLfLines({QStringLiteral("[FileSet]"), QStringLiteral("BackGround="),
                   QStringLiteral("TextFile=captions.txt"), QStringLiteral("SettingFile="),
                   QStringLiteral("FlowParts=demo.rp1"), QStringLiteral("PartsValue=demo.rv1"),
                   QStringLiteral("IPtalkFile="), QStringLiteral("CSVFile=demo.csv")}));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 || !QFileInfo(QString::fromLocal8Bit(argv[1])).isDir()) {
        std::fprintf(stderr, "usage: make_demo <demo folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    try {
        for (const Slide& slide : kSlides) {
            writePicture(folder, slide);
        }
        writeProgramme(folder);
        writePresentationSource(folder);
        writeTextFiles(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
