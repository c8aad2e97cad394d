#pragma once

#include <QString>
#include <vector>

class QSettings;

namespace lumbex {

// One page of the "Welcome to Lumbex" tour. `image` names one of the drawn pictures
// (onboarding_pictures.h).
struct OnboardingStep {
    QString title;
    QString detail;
    QString image;
    QString imageDescription;
    QString tip;
};

// The tour's three steps, in order.
const std::vector<OnboardingStep>& onboardingSteps();

inline constexpr char kHasSeenGettingStartedKey[] = "hasSeenGettingStarted";

// The tour appears at launch until it has been seen once, and never over a note the person
// opened (which leaves it unseen for the next launch).
bool shouldPresentOnboarding(const QSettings& settings, bool hasOpenDocuments);
void markOnboardingSeen(QSettings& settings);

} // namespace lumbex
