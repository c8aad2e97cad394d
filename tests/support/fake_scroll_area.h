#pragma once

#include "capture/scroll_frame_source.h"
#include "core/error.h"

#include <QImage>
#include <functional>
#include <optional>
#include <vector>

namespace lumbex::test {

// A scrolling area over a generated page. Grab n shows the page from row `tops[n]` (the last
// top once the list is used up); a negative top shows unrelated content, as when the user
// scrolled too fast. `beforeGrab` runs first with the grab's index and may throw to fail it.
class FakeScrollArea : public ScrollFrameSource {
public:
    FakeScrollArea(QImage page, int viewport, std::vector<int> tops,
                   std::function<void(int grab)> beforeGrab = {})
        : page_(std::move(page)), viewport_(viewport), tops_(std::move(tops)),
          beforeGrab_(std::move(beforeGrab)) {}

    QImage grab() override {
        const int index = grabs_++;
        if (beforeGrab_)
            beforeGrab_(index);
        const int top = tops_.at(std::min<size_t>(size_t(index), tops_.size() - 1));
        if (top >= 0)
            return page_.copy(0, top, page_.width(), viewport_);
        QImage unrelated = page_.copy(0, 0, page_.width(), viewport_).mirrored(true, true);
        unrelated.invertPixels();
        return unrelated;
    }

    int grabs() const { return grabs_; }

private:
    QImage page_;
    int viewport_;
    std::vector<int> tops_;
    std::function<void(int)> beforeGrab_;
    int grabs_ = 0;
};

} // namespace lumbex::test
