#include "app/editor/clipboard_watch.h"

#include <QClipboard>
#include <QGuiApplication>

namespace lumbex {

ClipboardWatch::ClipboardWatch(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
            [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard)
                    ++changeCount_;
            });
}

} // namespace lumbex
