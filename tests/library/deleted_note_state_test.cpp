#include "library/deleted_note_state.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr Date kDeleted = 1000.0;
constexpr double kDay = 86400.0;

DeletedNote archived() {
    DeletedNote e;
    e.deletedAt = kDeleted;
    e.localArchived = true;
    return e;
}

struct StateCase {
    const char* name;
    std::function<void(DeletedNote&)> setUp;
    bool jobRunning;
    Date now;
    const char* line;
    bool retryable;
    bool needsWork;
};

// Named in test output by its row name (the default dumps its bytes).
void PrintTo(const StateCase& row, std::ostream* out) {
    *out << row.name;
}

class StateLineTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(StateLineTest, FirstMatchingRuleWins) {
    const StateCase& c = GetParam();
    DeletedNote e = archived();
    c.setUp(e);
    EXPECT_EQ(deletedNoteStateLine(e, c.jobRunning, c.now), QString::fromUtf8(c.line));
    EXPECT_EQ(deletedNoteRetryable(e, c.now), c.retryable);
    EXPECT_EQ(deletedNoteNeedsWork(e, c.now), c.needsWork);
}

const auto noChange = [](DeletedNote&) {};

INSTANTIATE_TEST_SUITE_P(
    Rules, StateLineTest,
    ::testing::Values(
        StateCase{"JobRestoring",
                  [](DeletedNote& e) {
                      e.restoring = true;
                      e.error = "x";
                  },
                  true, kDeleted, "Restoring…", true, false},
        StateCase{"JobUpdating", [](DeletedNote& e) { e.error = "x"; }, true, kDeleted,
                  "Updating deleted copies…", true, false},
        StateCase{"Error",
                  [](DeletedNote& e) {
                      e.error = "The file is busy. Try again.";
                      e.localArchived = false;
                  },
                  false, kDeleted, "The file is busy. Try again.", true, true},
        StateCase{"NotArchived", [](DeletedNote& e) { e.localArchived = false; }, false, kDeleted,
                  "Deletion not finished · Retry or restore", true, true},
        StateCase{"Restoring", [](DeletedNote& e) { e.restoring = true; }, false, kDeleted,
                  "Restored on this computer · sync folder restore pending", true, false},
        StateCase{"Expired", [](DeletedNote& e) { e.expiredToTrash = true; }, false,
                  kDeleted + 40 * kDay, "Recovered from Trash · Restore to use this note", false,
                  false},
        StateCase{"Local", noChange, false, kDeleted, "30 days remaining · On this computer", false,
                  false},
        StateCase{"PartDayRoundsUp", noChange, false, kDeleted + 29 * kDay + 1,
                  "1 days remaining · On this computer", false, false},
        StateCase{"AtExpiry", noChange, false, kDeleted + 30 * kDay,
                  "0 days remaining · On this computer", true, true},
        StateCase{"SyncedCopiesKept",
                  [](DeletedNote& e) {
                      e.cloudBinding = QJsonObject{{"receipt", QJsonObject{{"revision", 1}}}};
                  },
                  false, kDeleted + kDay, "29 days remaining · Existing sync folder copies kept",
                  false, false},
        StateCase{"BindingWithoutReceipt",
                  [](DeletedNote& e) {
                      e.cloudBinding = QJsonObject{{"enabled", true}};
                  },
                  false, kDeleted + kDay, "29 days remaining · On this computer", false, false},
        StateCase{"SyncRemovalPending", [](DeletedNote& e) { e.removeCloudCopies = true; }, false,
                  kDeleted + 2 * kDay, "28 days remaining · Sync folder removal pending", true,
                  true},
        StateCase{"SyncCopiesIncluded",
                  [](DeletedNote& e) {
                      e.removeCloudCopies = true;
                      e.cloudArchived = true;
                  },
                  false, kDeleted + 2 * kDay, "28 days remaining · Includes sync folder copies",
                  false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeletedNotesStatusTest, CountsNotesAndUnreadableRecords) {
    EXPECT_EQ(deletedNotesStatus(0, 0), QStringLiteral("0 notes"));
    EXPECT_EQ(deletedNotesStatus(1, 0), QStringLiteral("1 note"));
    EXPECT_EQ(deletedNotesStatus(3, 2), QStringLiteral("3 notes · 2 unavailable"));
    EXPECT_EQ(deletedNotesUnreadableTip(QStringLiteral("/d/Recently Deleted")),
              QStringLiteral("Some saved records could not be read. Their files have been kept "
                             "in /d/Recently Deleted"));
}

} // namespace
} // namespace lumbex
