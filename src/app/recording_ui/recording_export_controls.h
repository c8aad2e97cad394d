#pragma once

#include "app/recording_ui/recording_operation.h"
#include "core/latest_work.h"
#include "recording/recording_export_choice.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace lumbex {

// The export part of the recording window: format, longest side, GIF rate and looping, the
// details and size estimate of the export they make, and Export with its progress and Cancel.
class RecordingExportControls : public QWidget {
    Q_OBJECT
public:
    // Asks where to save an export of a format; empty when the person cancelled.
    using DestinationChooser = std::function<QString(RecordingExportFormat)>;

    RecordingExportControls(RecordingExportMedia media, SegmentPicturesOpener open,
                            DestinationChooser chooseDestination,
                            QThreadPool* pool = QThreadPool::globalInstance(),
                            QWidget* parent = nullptr);

    // The recording to export and the folder of its segment files; refreshes the preview.
    void setRecording(const ScreenRecording& recording, const QString& directory);
    RecordingExportChoice choice() const;
    // Runs Export: asks for the destination and writes it. The status line follows it.
    void exportRecording();
    void cancel();
    bool isBusy() const { return operation_.isRunning(); }

    QComboBox* format() const { return format_; }
    QComboBox* outputSize() const { return outputSize_; }
    QComboBox* fps() const { return fps_; }
    QCheckBox* loop() const { return loop_; }
    QWidget* gifOptions() const { return gifOptions_; }
    QLabel* summary() const { return summary_; }
    QLabel* estimate() const { return estimate_; }
    QLabel* basis() const { return basis_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void statusChanged(const QString& text);
    void busyChanged(bool busy);

private:
    void refresh();
    void showProgress(double fraction);
    void finish(const LumbexError* error, const QString& name);

    RecordingExportMedia media_;
    SegmentPicturesOpener open_;
    DestinationChooser chooseDestination_;
    std::optional<ScreenRecording> recording_;
    QString directory_;
    // The format being exported, for the progress text.
    RecordingExportFormat exporting_ = RecordingExportFormat::MP4;
    LatestWork estimateTask_;
    RecordingOperation operation_;
    QComboBox* format_;
    QComboBox* outputSize_;
    QComboBox* fps_;
    QCheckBox* loop_;
    QWidget* gifOptions_;
    QLabel* summary_;
    QLabel* estimate_;
    QLabel* basis_;
    QPushButton* export_;
    QPushButton* cancel_;
};

} // namespace lumbex
