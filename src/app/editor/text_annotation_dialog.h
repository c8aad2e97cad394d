#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace lumbex {

// Asks for the text of a text annotation ("Add", or "Save" when editing). None when cancelled.
std::optional<QString> askAnnotationText(QWidget* parent, const QString& current, bool editing);

} // namespace lumbex
