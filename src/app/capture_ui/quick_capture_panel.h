#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace lumbex {

// The panel beside a quick capture: the capture as a drag source, a status line, and what can
// be done with it without opening an editor. The PNG goes onto the clipboard the moment the
// panel appears. A click in another of the application's windows dismisses it.
class QuickCapturePanel : public QWidget {
    Q_OBJECT
public:
    // Reads the text on the image and reports the final status line ("Text copied · …", "No text
    // found", …) through `report`, possibly later.
    using TextRecognition =
        std::function<void(const QByteArray& png, std::function<void(const QString&)> report)>;

    struct Actions {
        std::function<void()> edit; // opens the capture's note in an editor
        std::function<void()> pin;  // pins the image; throws LumbexError when it cannot
        // The ".png" file to save to; empty when the person cancelled.
        std::function<QString()> chooseSaveFile;
        // Offers a prepared PNG file to other applications.
        std::function<void(const QString& file)> share;
        // Absent until text recognition is available: "Copy Text (OCR)" stays disabled.
        TextRecognition recognizeText;
    };

    QuickCapturePanel(QByteArray png, const QString& title, Actions actions);

    // Places the panel beside the captured area (desktop coordinates), shows it without taking
    // the focus, and copies the PNG.
    void present(const QRect& captured);

    QString status() const;
    QPushButton* button(const QString& text) const;

    void copyImage();
    void saveImage();
    void pinImage();
    void shareImage();
    void copyText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setStatus(const QString& status);

    QByteArray png_;
    QString title_;
    Actions actions_;
    QLabel* status_;
};

// The key that pastes, as the status line names it.
inline constexpr char kPasteShortcut[] = "Ctrl+V";

} // namespace lumbex
