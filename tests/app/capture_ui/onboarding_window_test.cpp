#include "app/capture_ui/onboarding_steps.h"
#include "app/capture_ui/onboarding_window.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(OnboardingSteps, SpeakOfThisDesktopAndNotAnotherOne) {
    const QStringList foreign = {"menu bar", "Finder", "Mac", "System Settings", "⌘"};
    for (const OnboardingStep& step : onboardingSteps())
        for (const QString& text : {step.title, step.detail, step.imageDescription, step.tip})
            for (const QString& word : foreign)
                EXPECT_FALSE(text.contains(word)) << text.toStdString();
    EXPECT_EQ(onboardingSteps().front().tip,
              "Lumbex lives in your system tray. Your shortcut is always one click away.");
}

class OnboardingTest : public ::testing::Test {
protected:
    bool seen() const { return settings_.value(kHasSeenGettingStartedKey, false).toBool(); }
    bool stored() const { return settings_.contains(kHasSeenGettingStartedKey); }

    OnboardingWindow* open() {
        auto* window = new OnboardingWindow(settings_, {[this] { calls_.push_back("practice"); },
                                                        [this] { calls_.push_back("capture"); },
                                                        [this] { calls_.push_back("shortcuts"); },
                                                        [this] { calls_.push_back("privacy"); }});
        window->present();
        window_ = window;
        return window;
    }
    QPushButton* button(const QString& text) const {
        for (QPushButton* candidate : window_->findChildren<QPushButton*>())
            if (candidate->text() == text)
                return candidate;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    bool shows(const QString& text) const {
        for (QLabel* label : window_->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == text)
                return true;
        return false;
    }
    void click(const QString& text) { QTest::mouseClick(button(text), Qt::LeftButton); }

    test::TemporaryFolder folder_;
    QSettings settings_{folder_.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    QPointer<OnboardingWindow> window_;
    std::vector<std::string> calls_;

    void TearDown() override {
        if (window_)
            window_->close();
    }
};

TEST_F(OnboardingTest, PresentsOnlyUntilSeenAndNeverOverAnOpenNote) {
    struct Case {
        std::optional<bool> stored;
        bool documents;
        bool presents;
    };
    const std::vector<Case> cases = {
        {std::nullopt, false, true},
        {std::nullopt, true, false},
        {true, false, false},
    };
    for (const Case& c : cases) {
        settings_.remove(kHasSeenGettingStartedKey);
        if (c.stored)
            settings_.setValue(kHasSeenGettingStartedKey, *c.stored);
        EXPECT_EQ(shouldPresentOnboarding(settings_, c.documents), c.presents)
            << c.stored.value_or(-1) << c.documents;
        EXPECT_EQ(stored(), c.stored.has_value()) << "asking changes nothing";
    }
}

TEST_F(OnboardingTest, WalksThroughTheThreeSteps) {
    open();
    const std::vector<OnboardingStep>& steps = onboardingSteps();
    ASSERT_EQ(steps.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window_->stepIndex(), i);
        EXPECT_TRUE(shows(steps[size_t(i)].title));
        EXPECT_TRUE(shows(QString::number(i + 1) + QStringLiteral(" OF 3")));
        EXPECT_EQ(button(QStringLiteral("Back"))->isVisible(), i > 0);
        if (i < 2)
            click(QStringLiteral("Continue"));
    }
    click(QStringLiteral("Back"));
    EXPECT_EQ(window_->stepIndex(), 1);
    EXPECT_FALSE(stored());
}

TEST_F(OnboardingTest, EveryWayOfEndingTheTourMarksItSeen) {
    struct Case {
        const char* name;
        std::function<void()> end;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"sample at the end",
         [&] {
             click(QStringLiteral("Continue"));
             click(QStringLiteral("Continue"));
             click(QStringLiteral("Try a Sample"));
         },
         {"practice"}},
        {"start capturing", [&] { click(QStringLiteral("Start Capturing")); }, {"capture"}},
        {"escape", [&] { QTest::keyClick(window_, Qt::Key_Escape); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings_.remove(kHasSeenGettingStartedKey);
        calls_.clear();
        open();
        c.end();
        EXPECT_TRUE(seen());
        EXPECT_EQ(calls_, c.calls);
        EXPECT_FALSE(window_ && window_->isVisible());
    }
}

TEST_F(OnboardingTest, ShortcutsAndPrivacyKeepTheTourOpen) {
    open();
    click(QStringLiteral("Capture Shortcuts…"));
    click(QStringLiteral("Privacy"));
    EXPECT_EQ(calls_, (std::vector<std::string>{"shortcuts", "privacy"}));
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(stored());
}

} // namespace
} // namespace lumbex
