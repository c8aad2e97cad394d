#include "app/capture_ui/onboarding_steps.h"

#include <QSettings>

namespace lumbex {

const std::vector<OnboardingStep>& onboardingSteps() {
    static const std::vector<OnboardingStep> steps = {
        {QStringLiteral("A screenshot is just the start."),
         QStringLiteral("Drag to capture. Paste it right away, or choose Edit to explain what "
                        "needs to change."),
         QStringLiteral("capture"),
         QStringLiteral("A captured coastal website in Lumbex, with annotation tools below and "
                        "notes on the right."),
         QStringLiteral(
             "Lumbex lives in your system tray. Your shortcut is always one click away.")},
        {QStringLiteral("Point. Type. Or speak."),
         QStringLiteral("Add a location note, draw an arrow, or sketch freely. Type your "
                        "instructions or use the mic inside the same note."),
         QStringLiteral("explain"),
         QStringLiteral("A numbered location on the coastal website’s button, linked to a note "
                        "asking to match its width to the text above."),
         QStringLiteral("Images, annotations, and notes stay together. Your work saves "
                        "automatically.")},
        {QStringLiteral("Give your agent the whole picture."),
         QStringLiteral("Choose your project folder, then Copy for Agent. Paste into your "
                        "existing Codex or Claude session."),
         QStringLiteral("handoff"),
         QStringLiteral("Request Preview showing the screenshot reference and two instructions, "
                        "ready to copy for an agent."),
         QStringLiteral("Review the request first. Lumbex never runs a command or sends it for "
                        "you.")},
    };
    return steps;
}

bool shouldPresentOnboarding(const QSettings& settings, bool hasOpenDocuments) {
    return !settings.value(kHasSeenGettingStartedKey, false).toBool() && !hasOpenDocuments;
}

// Written through at once: an application ended by a signal never writes back what it cached.
void markOnboardingSeen(QSettings& settings) {
    settings.setValue(kHasSeenGettingStartedKey, true);
    settings.sync();
}

} // namespace lumbex
