#include "textstyles.h"

#include <algorithm>

namespace kv {

QFont fontForStyle(TextStyle style, const QFont& base)
{
    // Ratios of the usual desktop sizes to a 13-point body.
    double ratio = 1.0;
    switch (style) {
    case TextStyle::body: ratio = 1.0; break;
    case TextStyle::title2: ratio = 17.0 / 13; break;
    case TextStyle::headline: ratio = 1.0; break;
    case TextStyle::subheadline: ratio = 11.0 / 13; break;
    case TextStyle::caption: ratio = 10.0 / 13; break;
    case TextStyle::caption2: ratio = 10.0 / 13; break;
    }
    QFont f = base;
    // Smaller styles stop at 9 points: below that, text is hard to read on a desktop screen.
    if (base.pointSizeF() > 0)
        f.setPointSizeF(std::max(base.pointSizeF() * ratio, std::min(base.pointSizeF(), kSmallestPointSize)));
    else if (base.pixelSize() > 0)
        f.setPixelSize(qMax(1, int(base.pixelSize() * ratio + 0.5)));
    if (style == TextStyle::headline)
        f.setWeight(QFont::DemiBold);
    return f;
}

} // namespace kv
