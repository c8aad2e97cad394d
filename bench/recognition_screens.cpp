// Renders screenshots of real Qt UI text at scale 1 for the recognition quality benchmark, each
// with the text every window shows: SCREEN.png and SCREEN.json ({"windows": [{"rect": [x, y, w,
// h], "text": "..."}]}) in the folder given.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>

namespace {

struct Window {
    QWidget* widget;
    // The text a reader should find in the window, in reading order.
    QString text;
};

const QStringList kListing = {
    "total 184",
    "drwxr-xr-x  7 dana staff   4096 Mar  3 09:14 .",
    "drwxr-xr-x 23 dana staff   4096 Feb 27 18:02 ..",
    "-rw-r--r--  1 dana staff   1067 Mar  1 11:40 CMakeLists.txt",
    "-rw-r--r--  1 dana staff  35149 Jan 12 08:55 LICENSE",
    "-rw-r--r--  1 dana staff   5480 Mar  3 09:12 README.md",
    "drwxr-xr-x  4 dana staff   4096 Mar  2 16:21 bench",
    "-rwxr-xr-x  1 dana staff    812 Feb 28 10:03 configure.sh",
    "drwxr-xr-x 12 dana staff   4096 Mar  3 09:14 src",
    "drwxr-xr-x  9 dana staff   4096 Mar  2 22:47 tests",
    "-rw-r--r--  1 dana staff  20931 Mar  3 08:59 package-lock.json",
};

const QStringList kBuildLog = {
    "$ cmake --build build -j2",
    "[12/48] Building CXX object src/core/CMakeFiles/core.dir/files.cpp.o",
    "[13/48] Building CXX object src/model/CMakeFiles/model.dir/note.cpp.o",
    "FAILED: src/model/CMakeFiles/model.dir/note.cpp.o",
    "src/model/note.cpp:142:17: error: no member named 'marksOn' in 'Note'",
    "    for (auto& mark : note.marksOn(id))",
    "                      ~~~~ ^",
    "src/model/note.cpp:150:5: warning: unused variable 'count' [-Wunused]",
    "1 error generated.",
    "ninja: build stopped: subcommand failed.",
    "$ git status --short",
    " M src/model/note.cpp",
    "?? src/model/note_index.h",
};

const QStringList kPython = {
    "Traceback (most recent call last):",
    "  File \"/home/dana/tools/sync.py\", line 88, in <module>",
    "    main(sys.argv[1:])",
    "  File \"/home/dana/tools/sync.py\", line 61, in main",
    "    config = load_config(args.config)",
    "  File \"/home/dana/tools/config.py\", line 23, in load_config",
    "    return json.loads(path.read_text())",
    "json.decoder.JSONDecodeError: Expecting value: line 1 column 1 (char 0)",
    "$ python3 -m pytest tests/test_sync.py -q",
    "..F.....                                  [100%]",
    "FAILED tests/test_sync.py::test_retry_after_timeout - AssertionError",
    "1 failed, 7 passed in 0.42s",
};

const QStringList kSource = {
    "#include \"model/note_document.h\"",
    "",
    "namespace lumbex {",
    "",
    "// Drops caches whose key no longer matches the image they were read from.",
    "void dropStaleCaches(CaptureNote& note) {",
    "    for (Media& media : note.media) {",
    "        if (media.recognition && media.recognition->imageKey != imageKey(note, media))",
    "            media.recognition.reset();",
    "    }",
    "}",
    "",
    "int countWords(const QString& text) {",
    "    int words = 0;",
    "    bool inside = false;",
    "    for (QChar c : text) {",
    "        const bool space = c.isSpace();",
    "        if (!space && !inside)",
    "            ++words;",
    "        inside = !space;",
    "    }",
    "    return words; // 0 for an empty text",
    "}",
    "",
    "} // namespace lumbex",
};

class CodeHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        static const QRegularExpression keyword(
            QStringLiteral("\\b(namespace|void|for|if|int|bool|const|return|auto)\\b"));
        static const QRegularExpression literal(QStringLiteral("\"[^\"]*\""));
        paint(text, keyword, QColor("#0033b3"));
        paint(text, literal, QColor("#a31515"));
        const int comment = text.indexOf(QStringLiteral("//"));
        if (comment >= 0)
            setFormat(comment, text.size() - comment, QColor("#2e7d32"));
    }

private:
    void paint(const QString& text, const QRegularExpression& pattern, const QColor& color) {
        for (auto it = pattern.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            setFormat(match.capturedStart(), match.capturedLength(), color);
        }
    }
};

QPlainTextEdit* textPane(QWidget* parent, const QStringList& lines, const QString& foreground,
                         const QString& background, int pixelSize) {
    auto* pane = new QPlainTextEdit(parent);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixelSize);
    pane->setFont(font);
    pane->setFrameShape(QFrame::NoFrame);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setStyleSheet(QStringLiteral("QPlainTextEdit { color: %1; background: %2; }")
                            .arg(foreground, background));
    pane->setPlainText(lines.join(u'\n'));
    return pane;
}

QWidget* desktop(int width, int height, const QString& color) {
    auto* root = new QWidget;
    root->setFixedSize(width, height);
    root->setAutoFillBackground(true);
    root->setStyleSheet(QStringLiteral("background: %1;").arg(color));
    return root;
}

Window terminal(QWidget* root, const QRect& rect, const QStringList& lines, bool dark,
                int pixelSize = 14) {
    auto* pane = textPane(root, lines, dark ? "#d0d0d0" : "#1b1b1b", dark ? "#1e1e1e" : "#fbfbf8",
                          pixelSize);
    pane->setGeometry(rect);
    return {pane, lines.join(u'\n')};
}

Window dialog(QWidget* root, const QRect& rect, const QString& title, const QString& message,
              const QString& field, const QString& option, const QStringList& buttons) {
    auto* frame = new QFrame(root);
    frame->setGeometry(rect);
    frame->setStyleSheet(QStringLiteral("QFrame { background: #f4f4f4; color: #202020; }"));
    auto* layout = new QVBoxLayout(frame);
    auto* heading = new QLabel(title, frame);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPixelSize(15);
    heading->setFont(bold);
    auto* body = new QLabel(message, frame);
    body->setWordWrap(true);
    auto* edit = new QLineEdit(field, frame);
    auto* check = new QCheckBox(option, frame);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const QString& b : buttons)
        row->addWidget(new QPushButton(b, frame));
    for (QWidget* w : {static_cast<QWidget*>(heading), static_cast<QWidget*>(body),
                       static_cast<QWidget*>(edit), static_cast<QWidget*>(check)})
        layout->addWidget(w);
    layout->addStretch();
    layout->addLayout(row);
    return {frame, QStringList{title, message, field, option, buttons.join(u' ')}.join(u'\n')};
}

QStringList numbered(const QStringList& lines, int from) {
    QStringList out;
    for (int i = 0; i < lines.size(); ++i)
        out << QStringLiteral("%1  %2").arg(from + i, 3).arg(lines[i]);
    return out;
}

using Screen = std::function<std::vector<Window>(QWidget*)>;

std::vector<Window> dialogs(QWidget* root) {
    return {
        dialog(root, {80, 90, 520, 260}, QStringLiteral("Replace existing file?"),
               QStringLiteral("A file named report-2024.pdf already exists in Documents. "
                              "Replacing it will overwrite its current contents."),
               QStringLiteral("report-2024.pdf"), QStringLiteral("Keep both files"),
               {QStringLiteral("Cancel"), QStringLiteral("Replace")}),
        dialog(root, {700, 140, 560, 280}, QStringLiteral("Connection failed"),
               QStringLiteral("Could not reach build.example.org on port 8443. Check your "
                              "network settings and try again (error 110: timed out)."),
               QStringLiteral("https://build.example.org:8443/api/v2"),
               QStringLiteral("Remember this server"),
               {QStringLiteral("Details"), QStringLiteral("Retry")}),
        dialog(root, {260, 500, 600, 250}, QStringLiteral("Save changes to Untitled 3?"),
               QStringLiteral("Your changes will be lost if you close the window without "
                              "saving them."),
               QStringLiteral("Untitled 3.capturenote"), QStringLiteral("Ask me every time"),
               {QStringLiteral("Don't Save"), QStringLiteral("Cancel"), QStringLiteral("Save")})};
}

std::vector<Window> terminals(QWidget* root, bool dark) {
    return {terminal(root, {20, 40, 930, 1000}, kListing + kBuildLog, dark),
            terminal(root, {970, 40, 930, 1000}, kPython + kListing.mid(0, 6), dark)};
}

std::vector<Window> code(QWidget* root) {
    auto* pane = textPane(root, numbered(kSource, 40), "#1f1f1f", "#ffffff", 15);
    new CodeHighlighter(pane->document());
    pane->setGeometry(40, 40, 1200, 820);
    return {{pane, numbered(kSource, 40).join(u'\n')}};
}

std::vector<Window> smallText(QWidget* root) {
    std::vector<Window> windows;
    const QStringList blocks[] = {kListing, kBuildLog, kPython, kSource.mid(4, 18)};
    int index = 0;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column, ++index) {
            const QRect rect(20 + column * 955, 20 + row * 535, 935, 515);
            windows.push_back(terminal(root, rect, blocks[index % 4], (row + column) % 2 == 0, 11));
        }
    return windows;
}

void write(const QString& folder, const QString& name, QWidget* root,
           const std::vector<Window>& windows) {
    root->show();
    QApplication::processEvents();
    root->grab().toImage().convertToFormat(QImage::Format_RGB32).save(folder + "/" + name + ".png");
    QJsonArray list;
    for (const Window& w : windows) {
        const QRect r(w.widget->mapTo(root, QPoint(0, 0)), w.widget->size());
        list.append(QJsonObject{{"rect", QJsonArray{r.x(), r.y(), r.width(), r.height()}},
                                {"text", w.text}});
    }
    QFile file(folder + "/" + name + ".json");
    file.open(QIODevice::WriteOnly);
    file.write(QJsonDocument(QJsonObject{{"windows", list}}).toJson());
    root->deleteLater();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: recognition_screens FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const std::vector<std::tuple<QString, QSize, QString, Screen>> screens = {
        {"dialogs", {1440, 900}, "#5b6e8c", dialogs},
        {"terminal-dark", {1920, 1080}, "#3a3f4b", [](QWidget* r) { return terminals(r, true); }},
        {"terminal-light", {1920, 1080}, "#9aa5b1", [](QWidget* r) { return terminals(r, false); }},
        {"code", {1280, 900}, "#e6e6e6", code},
        {"small-text-4k", {3840, 2160}, "#2d333b", smallText},
    };
    for (const auto& [name, size, color, build] : screens) {
        QWidget* root = desktop(size.width(), size.height(), color);
        write(folder, name, root, build(root));
    }
    return 0;
}
