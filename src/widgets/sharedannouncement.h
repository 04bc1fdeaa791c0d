#pragma once

// Outcomes said to a screen reader, the one way every screen says them ("Bon de pesée
// enregistré", "Export écrit"), where nothing else on screen takes the focus to say it.
//
// Qt 6.4 has no announcement event: the window keeps one status line, out of sight and out of the
// mouse's way, named by the latest outcome, shown anew as a notification (what readers speak as it
// appears) with an alert raised on it. While no assistive tool listens, nothing is built and
// nothing is sent.

#include <functional>

class QString;
class QWidget;

namespace kv {

// The status line's object name in each window that announced something.
inline constexpr char kAnnouncementLine[] = "annonceAccessible";

// Says `text` to a reader of `over`'s window.
void announceOutcome(QWidget* over, const QString& text);
// The same once the events already posted have run: where the work goes on moves first (rows
// refreshed, the keys in the list), so a reader hears where it is, then what happened.
void announceOutcomeAfterwards(QWidget* over, const QString& text);

// Hears every announcement as well, reader or not (tests); an empty function stops.
void setAnnouncementObserver(std::function<void(const QString&)> observer);

} // namespace kv
