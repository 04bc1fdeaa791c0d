#pragma once

// Small helpers shared by the whole program: colours stored as hexadecimal text, number and
// date texts with fixed (locale-independent) formats.

#include <QCollator>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kv {

class Benne;
class Client;
class LocationDeBenne;

// A colour read from its stored text: red, green and blue from 0 to 1 (sRGB, opaque).
struct CouleurRVB {
    double rouge = 0;
    double vert = 0;
    double bleu = 0;
    bool operator==(const CouleurRVB&) const = default;
};

// Reads a stored colour text: blanks trimmed, upper-cased, one leading "#" dropped, then six
// characters read as a hexadecimal number from their start. Anything not six characters long
// gives no colour.
std::optional<CouleurRVB> couleurDepuisHex(const QString& texte);

// Writes a colour as "RRGGBB" (each component times 255, truncated; components outside 0…1
// are clamped, a component that is not a number counts as 0).
QString hexDepuisCouleur(const CouleurRVB& couleur);

// A colour said in words, as a person names it at a glance: « rouge », « bleu foncé »,
// « gris clair », « marron »… Screens and questions name a skip's colour this way (beside its
// swatch), so that a screen reader or a reader who cannot tell hues apart knows which skip it is.
// Empty when the text is no colour.
QString nomCouleur(const QString& texteHex);
QString nomCouleur(const CouleurRVB& couleur);

// "10" for 10.0, "7.5" for 7.5, "7.3" for 7.26: "%.0f" when whole, else "%.1f" (C format).
QString formatNumberShort(double value);

// printf-style "%.<decimals>f" with C semantics (a point, the C library's rounding).
QString formatFixed(double value, int decimals);

// `decimals` decimals (at least 1) with a point, as a number formatter rounds: half to even on
// the shortest decimal text that reads back as the same double (2.675 gives "2.68", 0.125 gives
// "0.12"); a minus sign only when the rounded value is not zero. Not finite: formatFixed's text.
QString formatDecimalHalfEven(double value, int decimals);

// "yyyy-MM-dd" in the Gregorian calendar with ASCII digits, local date of the instant.
QString formatJour(const QDateTime& date);
QString formatJour(const QDate& date);

// Reads a number typed by a user as French people write it: blanks trimmed, a decimal comma
// accepted, thousands grouped by spaces (« 1 250,5 », no-break spaces too). Empty text gives
// none with `ok` true; a text that is not a finite number gives none with `ok` false.
std::optional<double> lireNombre(const QString& texte, bool* ok);
// The same text without its grouping spaces (« 1 250,5 » gives « 1250,5 »); none when it is
// not a number so written.
std::optional<QString> sansGroupes(const QString& texte);

// Blanks (any space character, no-break spaces included) and, unless `includeTab` is false, tabs
// trimmed at both ends; line ends are kept.
QString trimBlanks(const QString& s, bool includeTab = true);

// Names in the order people read them: the collation of the current default locale, ignoring
// letter case, accents weighing only after the letters, digits read as numbers ("Martin 50"
// before "Martin 290"); names equal but for case by character code. Negative, zero or positive.
// Every sorted list and picker of names uses it.
int compareNames(const QString& a, const QString& b);
inline bool nameLessThan(const QString& a, const QString& b)
{
    return compareNames(a, b) < 0;
}
// The same order for a long list, each name collated once: keys compare as compareNames does,
// except that names equal but for letter case have equal keys (compareNames tells those apart).
QCollatorSortKey nameSortKey(const QString& name);

// What tells a client from others of the same name in a picker: the town of its address,
// else its phone, else its e-mail; empty when it has none of them.
QString clientDistinction(const Client& client);
// The same for a whole list, in its order; where that is not enough (two clients of one name in
// one town), the street address, else the phone or e-mail, follows the town; where town and
// street are shared too, the phone, else the e-mail, follows the street.
QStringList clientDistinctions(const QList<Client*>& clients);

// The texts of a client that tell it apart, copied: a list of these is told apart on any
// thread, without reading the records.
struct FicheClient {
    QString nom;
    QString ville;
    QString adresse;
    QString telephone;
    QString email;
};
FicheClient ficheClient(const Client& client);
QStringList clientDistinctions(const QList<FicheClient>& clients);

// What tells this client from the other clients of its context bearing the same name (blanks
// tidied, as the pickers group them), from clientDistinctions; empty when its name is its own.
// As stored: for file names and searches. A screen shows distinctionAffichee.
QString distinctionParmiHomonymes(const Client* client);
// The same as a line shows it: the phone never broken across lines.
QString distinctionAffichee(const Client* client);
// "Bernard Démolition (Lyon)" for a look-alike, else the name alone; the phone never broken
// across lines. For every message, title and question that names a client.
QString nomClientDistinct(const Client* client);
// Whether a text finds room where it is to be shown (a width in a font, a number of letters).
using Tient = std::function<bool(const QString&)>;
// The same in the longest form that `tient` accepts: one rule for every line, label, bar, card
// and question. What look-alikes share gives way before what tells the client apart: first the
// street between the town and the phone (cut, then left out), then the town, then the name
// (« … », down to a few letters); the last part (the phone, or the street or town that no
// namesake shares) is cut last. An opened bracket is always closed; a phone never breaks across
// lines. The shortest form tried comes back when none finds room.
QString nomClientDistinct(const Client* client, const Tient& tient);
// The same in at most about `longest` characters, for a sentence that must not grow with what
// was typed.
QString nomClientDistinct(const Client* client, int longest);
// What tells the client apart alone (no name, no bracket), giving way by the same rule; empty
// when its name is its own.
QString distinctionAffichee(const Client* client, const Tient& tient);

// Skips: one of its look-alikes is a skip of the same whole volume and colour in words. The
// skip's name, « 3 m³ bleu » (the colour text itself when it names no colour).
QString nomBenne(const Benne* benne);
// What tells a skip from its look-alikes, in these words everywhere: its device, its state,
// the first line of its note (where offices write the number painted on it), each kept only
// where the look-alikes differ in it; empty for a skip without look-alike. Without the state
// for a place that shows it already.
QString distinctionBenne(const Benne* benne, bool avecEtat = true);
// « 3 m³ bleu (Grue · Sale) » for a look-alike, else « 3 m³ bleu ».
QString nomBenneDistinct(const Benne* benne);
// True when another skip reads exactly the same: same volume, colour, device, state and note.
bool benneSansDistinction(const Benne* benne);
// What a screen says of such a skip.
QString texteBenneSansDistinction(const Benne* benne);

// A phone number whose inner spaces do not break a line (no-break spaces): « 04 78 16 10 25 »
// stays on one line wherever a label wraps.
QString telephoneInsecable(const QString& texte);

// A text by its beginning: at most `longest` characters, the last one « … » when cut, a
// character and its marks kept whole.
QString debutDeTexte(const QString& texte, int longest);

// Until when a rental holds its skip, as stored milliseconds: its removal when it has one.
// Without removal date the skip stays at the client's with no planned end, unless the same
// skip was placed again later: it came back before that placement, which ends this one's hold.
// None: the skip is still out, with no end.
std::optional<qint64> finDeTenueMs(const LocationDeBenne* location);

} // namespace kv
