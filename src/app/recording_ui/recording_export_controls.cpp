#include "app/recording_ui/recording_export_controls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <mutex>

namespace lumbex {
namespace {

// GIF frames larger than this are refused by the writer.
constexpr int kLargestGIFSide = 960;

struct Estimate {
    QString text;
};

// The composition of one refresh, worked out by whichever of its jobs asks first: the details
// and the estimate both need it, and making it checks every segment file.
class SharedComposition {
public:
    explicit SharedComposition(std::function<RecordingComposition()> compose)
        : compose_(std::move(compose)) {}

    // Throws the composition's LumbexError (and tries again at the next call).
    const RecordingComposition& get() {
        const std::lock_guard lock(mutex_);
        if (!composition_)
            composition_ = compose_();
        return *composition_;
    }

private:
    std::function<RecordingComposition()> compose_;
    std::mutex mutex_;
    std::optional<RecordingComposition> composition_;
};

} // namespace

RecordingExportControls::RecordingExportControls(RecordingExportMedia media,
                                                 SegmentPicturesOpener open,
                                                 DestinationChooser chooseDestination,
                                                 QThreadPool* pool, QWidget* parent)
    : QWidget(parent), media_(std::move(media)), open_(std::move(open)),
      chooseDestination_(std::move(chooseDestination)), estimateTask_(this, pool), operation_(this),
      format_(new QComboBox(this)), outputSize_(new QComboBox(this)), fps_(new QComboBox(this)),
      loop_(new QCheckBox(tr("Loop GIF"), this)), gifOptions_(new QWidget(this)),
      summary_(new QLabel(this)), estimate_(new QLabel(this)), basis_(new QLabel(this)),
      export_(new QPushButton(tr("E&xport"), this)), cancel_(new QPushButton(tr("Cancel"), this)) {
    format_->setAccessibleName(tr("Recording export format"));
    format_->addItem(QStringLiteral("MP4"), int(RecordingExportFormat::MP4));
    format_->addItem(QStringLiteral("GIF"), int(RecordingExportFormat::GIF));
    outputSize_->setAccessibleName(tr("Longest output side"));
    for (const int side : {1920, 1280, 960, 640})
        outputSize_->addItem(QStringLiteral("%1 px").arg(side), side);
    outputSize_->addItem(tr("Original"), 0);
    fps_->setAccessibleName(tr("GIF frame rate"));
    for (const int rate : {10, 5, 2})
        fps_->addItem(QStringLiteral("%1 fps").arg(rate), rate);
    loop_->setChecked(true);
    summary_->setObjectName(QStringLiteral("recording.export.summary"));
    summary_->setAccessibleName(tr("Export details"));
    estimate_->setObjectName(QStringLiteral("recording.export.estimate"));
    estimate_->setAccessibleName(tr("Estimated file size"));
    basis_->setWordWrap(true);
    cancel_->setEnabled(false);

    auto* gifRow = new QHBoxLayout(gifOptions_);
    gifRow->setContentsMargins(0, 0, 0, 0);
    gifRow->addWidget(fps_);
    gifRow->addWidget(loop_);
    auto* choices = new QHBoxLayout;
    choices->addWidget(format_);
    choices->addWidget(outputSize_);
    choices->addWidget(gifOptions_);
    choices->addStretch();
    choices->addWidget(export_);
    choices->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(choices);
    layout->addWidget(summary_);
    layout->addWidget(estimate_);
    layout->addWidget(basis_);

    connect(format_, &QComboBox::currentIndexChanged, this, [this] {
        // Larger GIF frames would be refused, so a GIF starts at the largest it can be.
        const int side = outputSize_->currentData().toInt();
        if (choice().format == RecordingExportFormat::GIF && (side == 0 || side > kLargestGIFSide))
            outputSize_->setCurrentIndex(outputSize_->findData(kLargestGIFSide));
        refresh();
    });
    for (QComboBox* box : {outputSize_, fps_})
        connect(box, &QComboBox::currentIndexChanged, this, &RecordingExportControls::refresh);
    connect(loop_, &QCheckBox::toggled, this, &RecordingExportControls::refresh);
    connect(export_, &QPushButton::clicked, this, &RecordingExportControls::exportRecording);
    connect(cancel_, &QPushButton::clicked, this, &RecordingExportControls::cancel);
    connect(&operation_, &RecordingOperation::progressed, this,
            &RecordingExportControls::showProgress);
    refresh();
}

RecordingExportChoice RecordingExportControls::choice() const {
    RecordingExportChoice choice;
    choice.format = RecordingExportFormat(format_->currentData().toInt());
    const int side = outputSize_->currentData().toInt();
    choice.longestSide = side > 0 ? std::optional<int>(side) : std::nullopt;
    choice.gif = {fps_->currentData().toInt(), loop_->isChecked()};
    return choice;
}

void RecordingExportControls::setRecording(const ScreenRecording& recording,
                                           const QString& directory) {
    recording_ = recording;
    directory_ = directory;
    refresh();
}

void RecordingExportControls::refresh() {
    const RecordingExportChoice chosen = choice();
    gifOptions_->setVisible(chosen.format == RecordingExportFormat::GIF);
    basis_->setText(recordingEstimateBasis(chosen.format));
    if (!recording_) {
        estimateTask_.drop();
        summary_->clear();
        estimate_->clear();
        return;
    }
    summary_->setText(tr("…"));
    estimate_->setText(tr("Estimating size…"));
    const auto composition = std::make_shared<SharedComposition>(
        [recording = *recording_, directory = directory_, chosen, open = open_] {
            return composeRecordingExport(recording, directory, chosen, open);
        });
    estimateTask_.start(
        tr("describe the export"),
        [composition, chosen] { return recordingExportSummary(composition->get(), chosen); },
        [this](const WorkOutcome<QString>& outcome) {
            summary_->setText(outcome.error() ? outcome.error()->message() : outcome.value());
        });
    estimateTask_.run(
        tr("estimate the size"),
        [composition, chosen, media = media_] {
            const RecordingComposition& composed = composition->get();
            const std::optional<qint64> bytes = estimateRecordingExport(composed, chosen, media);
            return Estimate{bytes ? recordingEstimateText(*bytes, composed, chosen.format)
                                  : QString()};
        },
        [this](const WorkOutcome<Estimate>& outcome) {
            const bool known = !outcome.error() && !outcome.value().text.isEmpty();
            estimate_->setText(known ? outcome.value().text : tr("Size estimate unavailable"));
        });
}

void RecordingExportControls::exportRecording() {
    if (!recording_ || operation_.isRunning())
        return;
    const RecordingExportChoice chosen = choice();
    const QString destination = chooseDestination_ ? chooseDestination_(chosen.format) : QString();
    if (destination.isEmpty())
        return;
    const QString name = QFileInfo(destination).fileName();
    const bool started = operation_.start(
        tr("export the recording"),
        [recording = *recording_, directory = directory_, chosen, open = open_, media = media_,
         destination](const std::atomic<bool>& cancelled, std::atomic<double>& progress) {
            const RecordingComposition composition =
                composeRecordingExport(recording, directory, chosen, open);
            const bool written = runRecordingExport(composition, destination, chosen, media,
                                                    cancelled, [&](double f) { progress = f; });
            if (!written)
                throw LumbexError(LumbexError::Kind::Outdated,
                                  QStringLiteral("Cancelled. Previous files are unchanged."));
            return std::function<void()>();
        });
    if (!started)
        return;
    connect(
        &operation_, &RecordingOperation::finished, this,
        [this, name](const LumbexError* error) { finish(error, name); }, Qt::SingleShotConnection);
    exporting_ = chosen.format;
    export_->setEnabled(false);
    cancel_->setEnabled(true);
    showProgress(0);
    emit busyChanged(true);
}

void RecordingExportControls::cancel() {
    operation_.cancel();
}

void RecordingExportControls::showProgress(double fraction) {
    emit statusChanged(exporting_ == RecordingExportFormat::MP4
                           ? tr("Exporting MP4…")
                           : tr("Exporting GIF · %1%").arg(qRound(fraction * 100)));
}

void RecordingExportControls::finish(const LumbexError* error, const QString& name) {
    export_->setEnabled(true);
    cancel_->setEnabled(false);
    emit statusChanged(error ? error->message() : tr("Exported %1").arg(name));
    emit busyChanged(false);
}

} // namespace lumbex
