#include "capture/capture_region_coding.h"

#include "core/json_read.h"
#include "core/json_writer.h"

namespace lumbex {
namespace {

void writeDisplay(JsonWriter& out, const CaptureDisplay& display) {
    out.beginObject();
    out.key("cocoaFrame");
    out.value(display.cocoaFrame);
    out.key("id");
    out.value(display.id);
    out.key("isMain");
    out.value(display.isMain);
    out.key("quartzFrame");
    out.value(display.quartzFrame);
    out.key("rotation");
    out.value(display.rotation);
    out.key("scale");
    out.value(display.scale);
    out.endObject();
}

CaptureDisplay readDisplay(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    CaptureDisplay display;
    display.id = o.required(QStringLiteral("id")).toString();
    display.cocoaFrame = o.required(QStringLiteral("cocoaFrame")).toRect();
    display.quartzFrame = o.required(QStringLiteral("quartzFrame")).toRect();
    display.scale = o.required(QStringLiteral("scale")).toDouble();
    display.rotation = o.required(QStringLiteral("rotation")).toDouble();
    display.isMain = o.required(QStringLiteral("isMain")).toBool();
    return display;
}

} // namespace

QByteArray encodeCaptureRegion(const CaptureRegion& region) {
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginObject();
    out.key("displays");
    out.array(region.displays, [&](const CaptureDisplay& d) { writeDisplay(out, d); });
    out.key("rect");
    out.value(region.rect);
    out.endObject();
    return out.take();
}

CaptureRegion decodeCaptureRegion(const QByteArray& json) {
    const JsonObjectNode o = parseJsonObject(json);
    return {o.required(QStringLiteral("rect")).toRect(),
            o.required(QStringLiteral("displays")).toArrayOf(readDisplay)};
}

} // namespace lumbex
