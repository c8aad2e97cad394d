#pragma once

#include "recording/recording_controller.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;

namespace lumbex {

// "Record Screen": the source, the longest side, the countdown and what is recorded besides the
// picture. Choosing "Continue" gives the request.
class RecordScreenDialog : public QDialog {
    Q_OBJECT
public:
    // `displayReadable`: the screen can be read already, so the display row reads "Main Display".
    explicit RecordScreenDialog(bool displayReadable, QWidget* parent = nullptr);

    RecordingRequest request() const;

    // Runs the dialog; nothing on Cancel.
    static std::optional<RecordingRequest> ask(bool displayReadable, QWidget* parent = nullptr);

private:
    QComboBox* source_;
    QComboBox* longestSide_;
    QComboBox* countdown_;
    QCheckBox* pointer_;
    QCheckBox* clicks_;
    QCheckBox* systemAudio_;
    QCheckBox* microphone_;
};

} // namespace lumbex
