#pragma once

#include "recognition/recognition_session.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QButtonGroup;

namespace lumbex {

// The small window that shows what a reading found, for review and copying. It only draws its
// session's state; the session reads, drops stale outcomes and decides the messages.
class RecognitionWindow : public QWidget {
    Q_OBJECT
public:
    RecognitionWindow(const QString& title, std::unique_ptr<RecognitionSession> session,
                      QWidget* parent = nullptr);
    ~RecognitionWindow() override;

    RecognitionSession& session() { return *session_; }
    QPlainTextEdit* output() const { return output_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void display(const RecognitionWindowState& state);

    std::unique_ptr<RecognitionSession> session_;
    QPlainTextEdit* output_;
    QLabel* message_;
    QPushButton* copy_;
    QPushButton* text_;
    QPushButton* code_;
    QPushButton* dismiss_;
};

} // namespace lumbex
