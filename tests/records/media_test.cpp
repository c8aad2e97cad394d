#include "core/error.h"
#include "records/media.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace lumbex {
namespace {

constexpr char kInvalidSources[] = "This scroll capture has invalid source frames.";
constexpr char kLostFrame[] = "A scroll capture has lost an original frame.";
constexpr char kUnmatched[] = "Only the final frame of a partial scroll capture can be unmatched.";
constexpr char kPositions[] = "A scroll capture has invalid frame positions.";
constexpr char kMismatch[] = "The scroll image does not match its original frames.";

Media imageOf(qint64 height) {
    Media m;
    m.id = newId();
    m.width = 100;
    m.height = height;
    return m;
}

// A stitched image 100 px wide and its source frames, as a note holds them.
struct Capture {
    std::vector<Media> frames;
    Media owner = imageOf(0);

    // Frames of `height` px, one at each offset, filling a stitched image down to the last one.
    Capture(qint64 height, const std::vector<qint64>& offsets) {
        owner.scrollCapture = ScrollCaptureInfo{};
        for (qint64 offset : offsets) {
            frames.push_back(imageOf(height));
            info().pieces.push_back({frames.back().id, offset, 0});
        }
        owner.height = offsets.back() + height;
    }

    ScrollCaptureInfo& info() { return *owner.scrollCapture; }
    ScrollCaptureInfo::Piece& piece(size_t i) { return info().pieces.at(i); }

    std::string refusal() const {
        std::vector<Media> images = frames;
        images.push_back(owner);
        try {
            owner.scrollCapture->validate(images, owner);
        } catch (const LumbexError& e) {
            return e.message().toStdString();
        }
        return {};
    }
};

TEST(ScrollCaptureValidate, ChecksPiecesAgainstTheNoteImages) {
    struct Row {
        const char* what;
        bool partial;
        std::function<void(Capture&)> change;
        const char* refusal;
    };
    const auto lastUnmatched = [](Capture& c) {
        c.piece(2).offsetY.reset();
        c.owner.height = 100;
    };
    const auto oddLastFrame = [](qint64 footer) {
        return [footer](Capture& c) {
            c.frames[2].height = 61;
            c.owner.height = 141;
            c.piece(2).footerHeight = footer;
        };
    };
    const Row rows[] = {
        {"frames that tile the image", false, [](Capture&) {}, ""},
        {"first frame at row 1", false, [](Capture& c) { c.piece(0).offsetY = 1; },
         kInvalidSources},
        {"issue on a finished capture", false,
         [](Capture& c) { c.info().issue = QStringLiteral("Stopped early"); }, kInvalidSources},
        {"issue on a partial capture", true,
         [](Capture& c) { c.info().issue = QStringLiteral("Stopped early"); }, ""},
        {"piece names no image", false, [](Capture& c) { c.piece(1).mediaID = newId(); },
         kLostFrame},
        {"narrower frame", false, [](Capture& c) { c.frames[1].width = 99; }, kLostFrame},
        {"footer under half of an odd height", false, oddLastFrame(29), ""},
        {"footer of the rounded-down half", false, oddLastFrame(30), kLostFrame},
        {"unmatched middle frame", true, [](Capture& c) { c.piece(1).offsetY.reset(); },
         kUnmatched},
        {"unmatched last frame, finished", false, lastUnmatched, kUnmatched},
        {"unmatched last frame, partial", true, lastUnmatched, ""},
        {"unmatched last frame leaves the end uncovered", true,
         [](Capture& c) { c.piece(2).offsetY.reset(); }, kMismatch},
        {"two frames at one row", false, [](Capture& c) { c.piece(2).offsetY = 40; }, kPositions},
    };
    for (const Row& row : rows) {
        Capture c(60, {0, 40, 80});
        c.info().partial = row.partial;
        row.change(c);
        EXPECT_EQ(c.refusal(), row.refusal) << row.what;
    }
}

TEST(ScrollCaptureValidate, AllowsAtMostSixtyFivePieces) {
    for (const auto& [count, refusal] : {std::pair<qint64, const char*>{65, ""},
                                         std::pair<qint64, const char*>{66, kInvalidSources}}) {
        std::vector<qint64> offsets;
        for (qint64 i = 0; i < count; ++i)
            offsets.push_back(i);
        EXPECT_EQ(Capture(10, offsets).refusal(), refusal) << count;
    }
}

} // namespace
} // namespace lumbex
