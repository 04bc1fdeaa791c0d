#pragma once

class QAbstractItemView;

namespace kv {

// A list inside a page that scrolls: as tall as all its rows, so that only the page scrolls up
// and down, never the list within it. Its rows are of one height; only those in view are painted.
void montrerToutesLesLignes(QAbstractItemView* liste);

} // namespace kv
