#pragma once

#include "platform/text_engine.h"

#include <QByteArray>
#include <map>

namespace lumbex {

// Passes reads on to `engine` and answers a read of exactly the same pixels again from memory.
// Engines are deterministic, so this changes no result; it spares the tile pass re-reading every
// region the full pass has already read (only regions cut by a tile's edge differ). For one
// reading: the memory grows with the text read.
class RememberingEngine : public TextEngine {
public:
    explicit RememberingEngine(TextEngine& engine) : engine_(engine) {}

    std::vector<EngineLine> read(const QImage& image, PageLayout layout) override;
    void cancel() override { engine_.cancel(); }

private:
    TextEngine& engine_;
    std::map<QByteArray, std::vector<EngineLine>> read_;
};

} // namespace lumbex
