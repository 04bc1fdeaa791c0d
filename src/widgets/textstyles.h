#pragma once

#include <QFont>

namespace kv {

// The named text styles, sized relative to the application's font (the body size).
enum class TextStyle { body, title2, headline, subheadline, caption, caption2 };

// No style is drawn smaller than this (unless the body itself is).
inline constexpr double kSmallestPointSize = 9.0;

QFont fontForStyle(TextStyle style, const QFont& base);

} // namespace kv
