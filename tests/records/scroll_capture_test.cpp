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

Media imageOf(qint64 width, qint64 height) {
    Media m;
    m.id = newId();
    m.width = width;
    m.height = height;
    return m;
}

// A stitched image and its source frames, as a note holds them.
struct Capture {
    std::vector<Media> frames;
    Media owner;

    // Frames of the given heights, all 100 px wide, placed at the given rows of a stitched
    // image of ownerHeight.
    static Capture of(const std::vector<qint64>& heights, const std::vector<qint64>& offsets,
                      qint64 ownerHeight) {
        Capture c;
        c.owner = imageOf(100, ownerHeight);
        c.owner.scrollCapture = ScrollCaptureInfo{};
        for (size_t i = 0; i < heights.size(); ++i) {
            c.frames.push_back(imageOf(100, heights[i]));
            c.info().pieces.push_back({c.frames.back().id, offsets[i], 0});
        }
        return c;
    }

    ScrollCaptureInfo& info() { return *owner.scrollCapture; }
    ScrollCaptureInfo::Piece& piece(size_t i) { return info().pieces.at(i); }

    // The message of the refusal, or an empty string when the capture is valid.
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

// Three 60 px frames at rows 0, 40 and 80 of a 140 px stitched image.
Capture threeFrames() {
    return Capture::of({60, 60, 60}, {0, 40, 80}, 140);
}

TEST(ScrollCaptureSummary, DescribesHowTheImageWasMade) {
    struct Row {
        bool partial;
        std::optional<bool> imported;
        const char* summary;
    };
    const Row rows[] = {
        {true, true, "Partial scroll capture"},
        {true, std::nullopt, "Partial scroll capture"},
        {false, true, "Stitched scroll images"},
        {false, false, "Scroll capture · Finished by you"},
        {false, std::nullopt, "Scroll capture · Finished by you"},
    };
    for (const Row& row : rows) {
        ScrollCaptureInfo info;
        info.partial = row.partial;
        info.imported = row.imported;
        EXPECT_EQ(info.summary().toStdString(), row.summary);
    }
}

TEST(ScrollCaptureValidate, ChecksPiecesAgainstTheNoteImages) {
    struct Row {
        const char* what;
        std::function<void(Capture&)> change;
        const char* refusal;
    };
    const Row rows[] = {
        {"frames that tile the image", [](Capture&) {}, ""},
        {"no pieces", [](Capture& c) { c.info().pieces.clear(); }, kInvalidSources},
        {"first frame at row 1",
         [](Capture& c) {
             for (auto& p : c.info().pieces)
                 p.offsetY = *p.offsetY + 1;
             c.owner.height = 141;
         },
         kInvalidSources},
        {"first frame of a partial capture unmatched",
         [](Capture& c) {
             c.info().partial = true;
             c.info().pieces.resize(1);
             c.piece(0).offsetY.reset();
         },
         kInvalidSources},
        {"one frame listed twice", [](Capture& c) { c.piece(2).mediaID = c.piece(1).mediaID; },
         kInvalidSources},
        {"issue on a finished capture",
         [](Capture& c) { c.info().issue = QStringLiteral("Stopped early"); }, kInvalidSources},
        {"issue on a partial capture",
         [](Capture& c) {
             c.info().partial = true;
             c.info().issue = QStringLiteral("Stopped early");
         },
         ""},
        {"piece is the stitched image", [](Capture& c) { c.piece(1).mediaID = c.owner.id; },
         kLostFrame},
        {"piece names no image", [](Capture& c) { c.piece(1).mediaID = newId(); }, kLostFrame},
        {"piece is itself stitched",
         [](Capture& c) { c.frames[1].scrollCapture = ScrollCaptureInfo{}; }, kLostFrame},
        {"frame narrower than the image", [](Capture& c) { c.frames[1].width = 99; }, kLostFrame},
        {"negative footer", [](Capture& c) { c.piece(1).footerHeight = -1; }, kLostFrame},
        {"footer just under half", [](Capture& c) { c.piece(1).footerHeight = 29; }, ""},
        {"footer of half the frame", [](Capture& c) { c.piece(1).footerHeight = 30; }, kLostFrame},
        {"footer just under half of an odd height",
         [](Capture& c) {
             c.frames[2].height = 61;
             c.owner.height = 141;
             c.piece(2).footerHeight = 29;
         },
         ""},
        {"footer of the whole-number half of an odd height",
         [](Capture& c) {
             c.frames[2].height = 61;
             c.owner.height = 141;
             c.piece(2).footerHeight = 30;
         },
         kLostFrame},
        {"unmatched middle frame of a partial capture",
         [](Capture& c) {
             c.info().partial = true;
             c.piece(1).offsetY.reset();
         },
         kUnmatched},
        {"unmatched last frame of a finished capture",
         [](Capture& c) {
             c.piece(2).offsetY.reset();
             c.owner.height = 100;
         },
         kUnmatched},
        {"unmatched last frame of a partial capture",
         [](Capture& c) {
             c.info().partial = true;
             c.piece(2).offsetY.reset();
             c.owner.height = 100;
         },
         ""},
        {"unmatched last frame leaves the image's end uncovered",
         [](Capture& c) {
             c.info().partial = true;
             c.piece(2).offsetY.reset();
         },
         kMismatch},
        {"two frames at the same row",
         [](Capture& c) {
             c.piece(2).offsetY = 40;
             c.owner.height = 100;
         },
         kPositions},
        {"frames out of order",
         [](Capture& c) {
             c.piece(1).offsetY = 50;
             c.piece(2).offsetY = 45;
             c.owner.height = 110;
         },
         kPositions},
        {"last frame runs one row past the bottom", [](Capture& c) { c.piece(2).offsetY = 81; },
         kPositions},
        {"frame below the image", [](Capture& c) { c.piece(2).offsetY = 141; }, kPositions},
        {"frames stop above the image's end", [](Capture& c) { c.owner.height = 150; }, kMismatch},
        {"frames ending one row early", [](Capture& c) { c.owner.height = 139; }, kPositions},
    };
    for (const Row& row : rows) {
        Capture c = threeFrames();
        row.change(c);
        EXPECT_EQ(c.refusal(), row.refusal) << row.what;
    }
}

TEST(ScrollCaptureValidate, AllowsAtMostSixtyFivePieces) {
    // Frames 10 px tall, one row apart: the last bottom is count - 1 + 10.
    for (const auto& [count, refusal] : {std::pair<qint64, const char*>{65, ""},
                                         std::pair<qint64, const char*>{66, kInvalidSources}}) {
        std::vector<qint64> heights(count, 10), offsets;
        for (qint64 i = 0; i < count; ++i)
            offsets.push_back(i);
        EXPECT_EQ(Capture::of(heights, offsets, count - 1 + 10).refusal(), refusal) << count;
    }
}

} // namespace
} // namespace lumbex
