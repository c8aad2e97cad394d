#pragma once

#include "recording/pending_recording.h"

#include <QDialog>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;

namespace lumbex {

// "Recording(s) Found": the interrupted recordings to choose from, with the selected one's detail
// line; "Show Files" shows its folder and keeps the dialog open.
class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Choice { Recover, Later, ChooseFolder };

    explicit RecoveryDialog(std::vector<PendingRecording> candidates, QWidget* parent = nullptr);

    Choice choice() const { return choice_; }
    const PendingRecording& selected() const;

    // Runs the dialog: the folder to recover, ChooseFolder, or nothing for "Later".
    static std::pair<Choice, QString> ask(std::vector<PendingRecording> candidates,
                                          QWidget* parent = nullptr);

private:
    void showDetail();

    std::vector<PendingRecording> candidates_;
    QComboBox* recordings_;
    QLabel* detail_;
    Choice choice_ = Choice::Later;
};

// "Recover Recording": a folder chosen by the user; nothing on Cancel.
std::optional<QString> chooseRecordingFolder(const QString& startFolder, QWidget* parent = nullptr);

} // namespace lumbex
