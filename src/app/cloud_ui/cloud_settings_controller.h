#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace lumbex {

class CloudSettingsEngine;

// The "Sync & Mobile Review" window of one note: turns syncing of that note on and off, chooses
// the sync folder, decides whether voice recordings travel with it, retries, shows the published
// review in the file manager and imports a cloud copy as a new local note. It decides nothing
// itself: every state comes from the engine, and the window refreshes whenever it changes.
class CloudSettingsController : public QDialog {
    Q_OBJECT

public:
    // The engine must outlive the window.
    explicit CloudSettingsController(CloudSettingsEngine& engine, QWidget* parent = nullptr);

    static QString chooseFolderMessage();
    static QString importMessage();

    void refresh();
    void chooseFolder();
    void connectNote();
    void retry();
    void keepLocal();
    void reveal();
    void importCopy();

    // Replaces the file manager in tests: receives the path to show.
    std::function<void(const QString&)> revealer;

private:
    std::optional<QString> knownFolder() const;
    void showError(const QString& message);
    void importChosen(const QString& package);

    CloudSettingsEngine& engine_;
    QLabel* state_;
    QLabel* folderLabel_;
    QCheckBox* voiceAudio_;
    QPushButton* chooseButton_;
    QPushButton* connectButton_;
    QPushButton* retryButton_;
    QPushButton* localButton_;
    QPushButton* revealButton_;
    QPushButton* importButton_;
    std::optional<QString> selectedFolder_;
    std::optional<QString> importedState_;
    bool saving_ = false;
};

} // namespace lumbex
