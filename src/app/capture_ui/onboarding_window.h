#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QSettings;

namespace lumbex {

// The "Welcome to Lumbex" tour: three steps with a picture, a title, a detail and a tip. Ending
// it in any way (the sample at its end, starting a capture, Escape, the close button) marks it
// seen in the settings; the shortcut and privacy dialogs open over it and keep it open.
class OnboardingWindow : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> practice;  // open the sample note
        std::function<void()> capture;   // select an area of the screen
        std::function<void()> shortcuts; // the capture shortcut settings
        std::function<void()> privacy;   // where things are stored
    };

    OnboardingWindow(QSettings& settings, Actions actions);

    // Shows the window at its first step.
    void present();
    int stepIndex() const { return stepIndex_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showStep(int index);
    void next();
    // Marks the tour seen, closes it, then runs `action`.
    void finish(const std::function<void()>& action);

    QSettings& settings_;
    Actions actions_;
    int stepIndex_ = 0;
    QLabel* picture_;
    QLabel* title_;
    QLabel* detail_;
    QLabel* tip_;
    QLabel* progress_;
    QPushButton* back_;
    QPushButton* next_;
};

} // namespace lumbex
