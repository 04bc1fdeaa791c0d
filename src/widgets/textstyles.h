#pragma once

#include <QFont>

namespace kv {

// The named text styles, sized relative to the application's font (the body size).
enum class TextStyle { body, title2, headline, subheadline, caption, caption2 };

QFont fontForStyle(TextStyle style, const QFont& base);

} // namespace kv
