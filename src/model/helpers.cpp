#include "helpers.h"

#include "modelcontext.h"
#include "records.h"
#include "volume.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <charconv>
#include <algorithm>
#include <cmath>
#include <string>

namespace kv {

std::optional<CouleurRVB> couleurDepuisHex(const QString& texte)
{
    QString s = texte.trimmed().toUpper();
    if (s.startsWith(QLatin1Char('#')))
        s.remove(0, 1);
    // Six characters as the user sees them: a letter with its combining marks, an emoji with
    // its modifiers or a CR LF pair counts as one.
    int characters = 0;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, s);
    while (graphemes.toNextBoundary() >= 0 && characters <= 6)
        ++characters;
    if (characters != 6)
        return std::nullopt;
    // Read like a hexadecimal scanner: leading white space skipped, an optional "0X" prefix,
    // then digits up to the first character that is not one.
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    if (i + 1 < s.size() && s[i] == QLatin1Char('0') && s[i + 1] == QLatin1Char('X')) {
        const bool digitFollows = i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 2].toLatin1()));
        if (digitFollows)
            i += 2;
    }
    quint64 value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i].toLatin1();
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value * 16 + quint64(digit);
    }
    CouleurRVB out;
    out.rouge = double((value >> 16) & 0xFF) / 255.0;
    out.vert = double((value >> 8) & 0xFF) / 255.0;
    out.bleu = double(value & 0xFF) / 255.0;
    return out;
}

QString hexDepuisCouleur(const CouleurRVB& couleur)
{
    auto byte = [](double component) {
        if (std::isnan(component))
            return 0;
        const double clamped = std::clamp(component, 0.0, 1.0);
        return int(std::trunc(clamped * 255.0));
    };
    return QStringLiteral("%1%2%3")
        .arg(byte(couleur.rouge), 2, 16, QLatin1Char('0'))
        .arg(byte(couleur.vert), 2, 16, QLatin1Char('0'))
        .arg(byte(couleur.bleu), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString formatFixed(double value, int decimals)
{
    if (std::isnan(value))
        return std::signbit(value) ? QStringLiteral("-nan") : QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc())
        return QString::number(value, 'f', decimals);
    return QString::fromLatin1(buf, res.ptr - buf);
}

QString formatDecimalHalfEven(double value, int decimals)
{
    if (!std::isfinite(value))
        return formatFixed(value, decimals);
    decimals = std::max(decimals, 1);
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    const std::string text(buf, res.ptr);
    const auto point = text.find('.');
    const std::string entier = point == std::string::npos ? text : text.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);

    // Rounded on the decimal digits themselves.
    std::string gardes = (fraction + std::string(size_t(decimals), '0')).substr(0, size_t(decimals));
    bool plusUn = false;
    if (fraction.size() > size_t(decimals)) {
        const char d = fraction[size_t(decimals)];
        const bool resteNonNul = fraction.find_first_not_of('0', size_t(decimals) + 1) != std::string::npos;
        plusUn = d > '5' || (d == '5' && (resteNonNul || (gardes.back() - '0') % 2 == 1));
    }
    std::string chiffres = entier + gardes;
    if (plusUn) {
        qsizetype i = qsizetype(chiffres.size()) - 1;
        while (i >= 0 && chiffres[size_t(i)] == '9') {
            chiffres[size_t(i)] = '0';
            --i;
        }
        if (i < 0)
            chiffres.insert(chiffres.begin(), '1');
        else
            ++chiffres[size_t(i)];
    }
    const bool zero = chiffres.find_first_not_of('0') == std::string::npos;
    const size_t coupe = chiffres.size() - size_t(decimals);
    return QString::fromLatin1((value < 0 && !zero ? "-" : "") + chiffres.substr(0, coupe) + '.'
                               + chiffres.substr(coupe));
}

QString nomCouleur(const QString& texteHex)
{
    const std::optional<CouleurRVB> couleur = couleurDepuisHex(texteHex);
    return couleur ? nomCouleur(*couleur) : QString();
}

QString nomCouleur(const CouleurRVB& couleur)
{
    // Hue, saturation and lightness (HSL), each component kept within 0…1.
    const auto borne = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    const double r = borne(couleur.rouge), g = borne(couleur.vert), b = borne(couleur.bleu);
    const double haut = std::max({r, g, b}), bas = std::min({r, g, b});
    const double clarte = (haut + bas) / 2;
    const double ecart = haut - bas;
    const double saturation = ecart == 0 ? 0 : ecart / (1 - std::abs(2 * clarte - 1));
    double teinte = 0;
    if (ecart > 0) {
        if (haut == r)
            teinte = 60 * std::fmod((g - b) / ecart + 6, 6);
        else if (haut == g)
            teinte = 60 * ((b - r) / ecart + 2);
        else
            teinte = 60 * ((r - g) / ecart + 4);
    }
    if (clarte < 0.1)
        return QStringLiteral("noir");
    if (clarte > 0.94)
        return QStringLiteral("blanc");
    // Greys, and colours too washed-out or too dark to read as a hue.
    if (ecart < 0.08 || saturation < 0.12 || (saturation < 0.25 && clarte < 0.25))
        return clarte < 0.35 ? QStringLiteral("gris foncé") : clarte > 0.7 ? QStringLiteral("gris clair") : QStringLiteral("gris");
    const auto nuance = [clarte](const char* base) {
        const QString nom = QString::fromUtf8(base);
        if (clarte < 0.3)
            return nom + QStringLiteral(" foncé");
        if (clarte > 0.72)
            return nom + QStringLiteral(" clair");
        return nom;
    };
    if (teinte < 12 || teinte >= 340)
        return clarte > 0.72 ? QStringLiteral("rose") : clarte < 0.3 ? QStringLiteral("bordeaux") : QStringLiteral("rouge");
    if (teinte < 42)
        return clarte < 0.42 ? QStringLiteral("marron") : clarte > 0.8 ? QStringLiteral("beige") : QStringLiteral("orange");
    if (teinte < 68)
        return clarte < 0.35 ? QStringLiteral("olive") : nuance("jaune");
    if (teinte < 165)
        return nuance("vert");
    if (teinte < 195)
        return nuance("turquoise");
    if (teinte < 255)
        return nuance("bleu");
    if (teinte < 300)
        return nuance("violet");
    return clarte > 0.6 ? QStringLiteral("rose") : clarte < 0.35 ? QStringLiteral("violet foncé") : QStringLiteral("magenta");
}

QString formatNumberShort(double value)
{
    if (std::isfinite(value) && std::fmod(value, 1.0) == 0)
        return formatFixed(value, 0);
    return formatFixed(value, 1);
}

QString formatJour(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString formatJour(const QDateTime& date)
{
    return formatJour(date.toLocalTime().date());
}

std::optional<QString> sansGroupes(const QString& texte)
{
    // A sign, then the whole part: its digits in one run, or split in threes by spaces (plain,
    // no-break, narrow no-break or thin) after a first group of one to three; then the decimals.
    static const QRegularExpression nombre(
        QStringLiteral("^[+\\-\u2212]?(\\d*|\\d{1,3}(?:[ \u00A0\u202F\u2009]\\d{3})+)([.,]\\d*)?([eE][+\\-]?\\d+)?$"));
    const QString s = trimBlanks(texte);
    if (!nombre.match(s).hasMatch())
        return std::nullopt;
    QString compact;
    for (const QChar c : s)
        if (!c.isSpace() && c.category() != QChar::Separator_Space)
            compact.append(c == QChar(0x2212) ? QLatin1Char('-') : c);
    return compact;
}

std::optional<double> lireNombre(const QString& texte, bool* ok)
{
    const bool vide = trimBlanks(texte).isEmpty();
    bool parsed = vide;
    double v = 0;
    if (const std::optional<QString> s = vide ? std::nullopt : sansGroupes(texte))
        v = QLocale::c().toDouble(QString(*s).replace(QLatin1Char(','), QLatin1Char('.')), &parsed);
    parsed = parsed && std::isfinite(v);
    if (ok)
        *ok = parsed;
    return parsed && !vide ? std::optional<double>(v) : std::nullopt;
}

QString trimBlanks(const QString& s, bool includeTab)
{
    auto isBlank = [includeTab](QChar c) {
        if (c == QLatin1Char('\t'))
            return includeTab;
        return c.category() == QChar::Separator_Space;
    };
    qsizetype start = 0, end = s.size();
    while (start < end && isBlank(s[start]))
        ++start;
    while (end > start && isBlank(s[end - 1]))
        --end;
    return s.mid(start, end - start);
}

namespace {

// One collator per thread, made again when the default locale changes.
// (Locales compare by their fields: cheaper than building the locale's name each time.)
const QCollator& nameCollator()
{
    thread_local std::optional<QLocale> collatorLocale;
    thread_local std::optional<QCollator> collator;
    const QLocale locale;
    if (!collator || *collatorLocale != locale) {
        collator.emplace(locale);
        collator->setNumericMode(true);
        collator->setCaseSensitivity(Qt::CaseInsensitive);
        collatorLocale = locale;
    }
    return *collator;
}

} // namespace

QCollatorSortKey nameSortKey(const QString& name)
{
    return nameCollator().sortKey(name);
}

int compareNames(const QString& a, const QString& b)
{
    if (const int c = nameCollator().compare(a, b))
        return c;
    // Names equal but for letter case: capitals first, always in the same order.
    return a.compare(b);
}

namespace {

// The first of these texts that holds more than blanks, on one line.
QString firstShown(std::initializer_list<QString> texts)
{
    for (const QString& text : texts) {
        const QString shown = trimBlanks(text).simplified();
        if (!shown.isEmpty())
            return shown;
    }
    return {};
}

} // namespace

QString clientDistinction(const Client& client)
{
    return firstShown({client.ville(), client.telephone(), client.email().value_or(QString())});
}

FicheClient ficheClient(const Client& client)
{
    return {client.nom(), client.ville(), client.adresse(), client.telephone(), client.email().value_or(QString())};
}

QStringList clientDistinctions(const QList<Client*>& clients)
{
    QList<FicheClient> fiches;
    fiches.reserve(clients.size());
    for (const Client* c : clients)
        fiches.append(ficheClient(*c));
    return clientDistinctions(fiches);
}

namespace {

// What tells each client of the list apart, part by part (town, street, phone or e-mail): see
// clientDistinctions.
QList<QStringList> partiesDistinctives(const QList<FicheClient>& clients)
{
    QList<QStringList> parties;
    parties.reserve(clients.size());
    // Each client's parts joined, kept as they grow: the counts below read them.
    QStringList joints;
    joints.reserve(clients.size());
    const auto cle = [&clients, &joints](int i) { return clients.at(i).nom + QLatin1Char('\n') + joints.at(i); };
    // Name and detail -> how many clients share them.
    const auto comptes = [&clients, &cle] {
        QHash<QString, int> vus;
        vus.reserve(clients.size());
        for (int i = 0; i < clients.size(); ++i)
            ++vus[cle(i)];
        return vus;
    };
    const auto partage = [&joints, &cle](const QHash<QString, int>& vus, int i) {
        return !joints.at(i).isEmpty() && vus.value(cle(i)) > 1;
    };
    const auto ajouter = [&parties, &joints](int i, const QString& plus) {
        if (plus.isEmpty() || joints.at(i).endsWith(plus))
            return;
        parties[i].append(plus);
        joints[i] += QStringLiteral(" · ") + plus;
    };
    for (const FicheClient& c : clients) {
        const QString premier = firstShown({c.ville, c.telephone, c.email});
        parties.append(premier.isEmpty() ? QStringList() : QStringList{premier});
        joints.append(premier);
    }
    // One of its name alone in the list needs nothing more.
    QHash<QString, int> parNom;
    parNom.reserve(clients.size());
    for (const FicheClient& c : clients)
        ++parNom[c.nom];
    bool homonymes = false;
    for (const int n : std::as_const(parNom))
        homonymes = homonymes || n > 1;
    if (!homonymes)
        return parties;

    // Two of one name in one town: the street, else the phone or e-mail, follows the town.
    const QHash<QString, int> parVille = comptes();
    QList<bool> rue(clients.size(), false);
    for (int i = 0; i < clients.size(); ++i) {
        if (!partage(parVille, i))
            continue;
        const FicheClient& c = clients.at(i);
        const QString rueSeule = firstShown({c.adresse});
        rue[i] = !rueSeule.isEmpty();
        ajouter(i, rue[i] ? rueSeule : firstShown({c.telephone, c.email}));
    }

    // Town and street shared as well: the phone, else the e-mail, follows the street.
    const QHash<QString, int> parRue = comptes();
    for (int i = 0; i < clients.size(); ++i) {
        if (rue.at(i) && partage(parRue, i)) {
            const FicheClient& c = clients.at(i);
            ajouter(i, firstShown({c.telephone, c.email}));
        }
    }
    return parties;
}

// The look-alikes of one store, found again only after it changed (its generation grew): a
// grid or a list asks for every row it paints.
class Sosies : public QObject {
public:
    static constexpr const char* kNom = "kv-sosies";
    explicit Sosies(QObject* context) : QObject(context) { setObjectName(QLatin1String(kNom)); }

    static Sosies* de(const ModelContext* context)
    {
        auto* c = const_cast<ModelContext*>(context);
        if (auto* s = c->findChild<QObject*>(QLatin1String(kNom), Qt::FindDirectChildrenOnly))
            return static_cast<Sosies*>(s);
        return new Sosies(c);
    }

    // Clients with a namesake -> the parts telling each apart.
    const QHash<const Client*, QStringList>& clients(const ModelContext* context)
    {
        if (m_generationClients == context->generation())
            return m_clients;
        m_clients.clear();
        QHash<QString, QList<Client*>> parNom;
        for (Client* c : context->all<Client>())
            if (!c->isDeleted())
                parNom[trimBlanks(c->nom()).simplified()].append(c);
        for (const QList<Client*>& memes : std::as_const(parNom)) {
            if (memes.size() < 2)
                continue;
            QList<FicheClient> fiches;
            for (const Client* c : memes)
                fiches.append(ficheClient(*c));
            const QList<QStringList> parties = partiesDistinctives(fiches);
            for (qsizetype i = 0; i < memes.size(); ++i)
                m_clients.insert(memes.at(i), parties.value(i));
        }
        m_generationClients = context->generation();
        return m_clients;
    }

    struct FicheBenne {
        QStringList parties;   // device, state, note: those its look-alikes differ in
        bool etatDistingue = false;
        bool sansDistinction = false;
    };
    const QHash<const Benne*, FicheBenne>& bennes(const ModelContext* context)
    {
        if (m_generationBennes == context->generation())
            return m_bennes;
        m_bennes.clear();
        QHash<QString, QList<const Benne*>> parNom;
        for (const Benne* b : context->all<Benne>())
            if (!b->isDeleted())
                parNom[nomBenne(b)].append(b);
        for (const QList<const Benne*>& memes : std::as_const(parNom)) {
            if (memes.size() < 2)
                continue;
            // Device, state and note of each, then which of them differ within the group.
            QList<std::array<QString, 3>> traits;
            std::array<bool, 3> differe{};
            for (const Benne* b : memes) {
                traits.append({b->dispositifSpecial() ? firstShown({b->dispositifSpecial()->descriptionDispositif()})
                                                      : QString(),
                               b->etatTexte(), debutDeTexte(firstShown({b->notes().section(QLatin1Char('\n'), 0, 0)}), 60)});
                for (size_t k = 0; k < 3; ++k)
                    differe[k] = differe[k] || traits.last()[k] != traits.first()[k];
            }
            QHash<QString, int> pareilles;
            for (const auto& t : std::as_const(traits))
                ++pareilles[t[0] + QLatin1Char('\n') + t[1] + QLatin1Char('\n') + t[2]];
            for (qsizetype i = 0; i < memes.size(); ++i) {
                const auto& t = traits.at(i);
                FicheBenne fiche;
                for (size_t k = 0; k < 3; ++k)
                    if (differe[k] && !t[k].isEmpty())
                        fiche.parties.append(t[k]);
                fiche.etatDistingue = differe[1];
                fiche.sansDistinction = pareilles.value(t[0] + QLatin1Char('\n') + t[1] + QLatin1Char('\n') + t[2]) > 1;
                m_bennes.insert(memes.at(i), fiche);
            }
        }
        m_generationBennes = context->generation();
        return m_bennes;
    }

private:
    quint64 m_generationClients = ~quint64(0);
    QHash<const Client*, QStringList> m_clients;
    quint64 m_generationBennes = ~quint64(0);
    QHash<const Benne*, FicheBenne> m_bennes;
};

// The parts telling `client` from the other clients of its context bearing the same name.
QStringList partiesParmiHomonymes(const Client* client)
{
    const ModelContext* context = client ? client->modelContext() : nullptr;
    if (!context || client->isDeleted())
        return {};
    return Sosies::de(context)->clients(context).value(client);
}

Sosies::FicheBenne ficheBenne(const Benne* benne)
{
    const ModelContext* context = benne ? benne->modelContext() : nullptr;
    if (!context || benne->isDeleted())
        return {};
    return Sosies::de(context)->bennes(context).value(benne);
}

// The parts as a line shows them: the phone kept on one line.
QStringList partiesAffichees(const Client* client, QStringList parties)
{
    const QString telephone = firstShown({client->telephone()});
    for (QString& partie : parties)
        if (!telephone.isEmpty() && partie == telephone)
            partie = telephoneInsecable(partie);
    return parties;
}

QString entreParentheses(const QString& nom, const QStringList& parties)
{
    return parties.isEmpty() ? nom
                             : nom + QStringLiteral(" (") + parties.join(QStringLiteral(" · ")) + QLatin1Char(')');
}

} // namespace

QStringList clientDistinctions(const QList<FicheClient>& clients)
{
    QStringList details;
    details.reserve(clients.size());
    for (const QStringList& parties : partiesDistinctives(clients))
        details.append(parties.size() == 1 ? parties.first() : parties.join(QStringLiteral(" · ")));
    return details;
}

QString debutDeTexte(const QString& texte, int longest)
{
    if (texte.size() <= longest)
        return texte;
    int kept = std::max(0, longest - 1);
    while (kept > 0 && (texte.at(kept).isLowSurrogate() || texte.at(kept).isMark()))
        --kept;
    return texte.left(kept) + QStringLiteral("…");
}

QString telephoneInsecable(const QString& texte)
{
    QString out = texte;
    out.replace(QLatin1Char(' '), QChar(0x00A0));
    return out;
}

QString distinctionParmiHomonymes(const Client* client)
{
    return partiesParmiHomonymes(client).join(QStringLiteral(" · "));
}

QString distinctionAffichee(const Client* client)
{
    return client ? partiesAffichees(client, partiesParmiHomonymes(client)).join(QStringLiteral(" · ")) : QString();
}

QString nomClientDistinct(const Client* client)
{
    return client ? entreParentheses(client->nom(), partiesAffichees(client, partiesParmiHomonymes(client))) : QString();
}

namespace {

// The longest beginning of `texte` (at least `moins` characters) for which `tient` holds the
// form `forme` makes of it; none when even that one does not.
std::optional<QString> plusLongDebut(const QString& texte, int moins, const std::function<bool(const QString&)>& tient)
{
    int bas = std::min(moins, int(texte.size())), haut = int(texte.size());
    if (!tient(debutDeTexte(texte, bas)))
        return std::nullopt;
    while (bas < haut) {
        const int milieu = (bas + haut + 1) / 2;
        if (tient(debutDeTexte(texte, milieu)))
            bas = milieu;
        else
            haut = milieu - 1;
    }
    return debutDeTexte(texte, bas);
}

// The rule of nomClientDistinct(client, tient) over a name and its parts; `forme` makes the
// text shown of them.
QString ajuster(QString nom, QStringList parties, const Tient& tient,
                const std::function<QString(const QString&, const QStringList&)>& forme)
{
    constexpr int kPeuDeLettres = 8; // less than that of a street or a town reads as nothing
    const auto tientAvec = [&](qsizetype i) {
        return [&, i](const QString& essai) {
            QStringList p = parties;
            p[i] = essai;
            return tient(forme(nom, p));
        };
    };
    if (tient(forme(nom, parties)))
        return forme(nom, parties);
    // What namesakes share gives way first: the parts between the first and the last (the
    // street), then the first (the town)…
    while (parties.size() > 1) {
        const qsizetype i = parties.size() > 2 ? 1 : 0;
        if (const auto debut = plusLongDebut(parties.at(i), kPeuDeLettres, tientAvec(i))) {
            parties[i] = *debut;
            return forme(nom, parties);
        }
        parties.removeAt(i);
        if (tient(forme(nom, parties)))
            return forme(nom, parties);
    }
    // …then the name (which namesakes share too), down to a few letters…
    const auto tientNom = [&](const QString& essai) { return tient(forme(essai, parties)); };
    if (const auto debut = plusLongDebut(nom, kPeuDeLettres, tientNom))
        return forme(*debut, parties);
    nom = debutDeTexte(nom, kPeuDeLettres);
    // …and what tells the client apart last.
    if (!parties.isEmpty()) {
        if (const auto debut = plusLongDebut(parties.last(), 1, tientAvec(parties.size() - 1))) {
            parties.last() = *debut;
            return forme(nom, parties);
        }
        parties.last() = debutDeTexte(parties.last(), 1);
    }
    if (const auto debut = plusLongDebut(nom, 1, tientNom))
        return forme(*debut, parties);
    return forme(debutDeTexte(nom, 1), parties);
}

} // namespace

QString nomClientDistinct(const Client* client, const Tient& tient)
{
    if (!client)
        return {};
    return ajuster(client->nom(), partiesAffichees(client, partiesParmiHomonymes(client)), tient, entreParentheses);
}

QString nomClientDistinct(const Client* client, int longest)
{
    return nomClientDistinct(client, [longest](const QString& texte) { return texte.size() <= longest; });
}

QString distinctionAffichee(const Client* client, const Tient& tient)
{
    if (!client)
        return {};
    const QStringList parties = partiesAffichees(client, partiesParmiHomonymes(client));
    if (parties.isEmpty())
        return {};
    // The name takes no room here: it is never cut.
    return ajuster(QString(), parties, tient, [](const QString&, const QStringList& p) {
        return p.join(QStringLiteral(" · "));
    });
}

QString nomBenne(const Benne* benne)
{
    if (!benne)
        return {};
    const QString couleur = nomCouleur(benne->couleur());
    const QString volume = texteVolume(benne->volume()) + QStringLiteral(" m³");
    const QString teinte = couleur.isEmpty() ? firstShown({benne->couleur()}) : couleur;
    return teinte.isEmpty() ? volume : volume + QLatin1Char(' ') + teinte;
}

QString distinctionBenne(const Benne* benne, bool avecEtat)
{
    Sosies::FicheBenne fiche = ficheBenne(benne);
    if (!avecEtat && fiche.etatDistingue)
        fiche.parties.removeOne(benne->etatTexte());
    return fiche.parties.join(QStringLiteral(" · "));
}

QString nomBenneDistinct(const Benne* benne)
{
    const QString distinction = distinctionBenne(benne);
    return distinction.isEmpty() ? nomBenne(benne) : nomBenne(benne) + QStringLiteral(" (") + distinction + QLatin1Char(')');
}

bool benneSansDistinction(const Benne* benne)
{
    return ficheBenne(benne).sansDistinction;
}

QString texteBenneSansDistinction(const Benne* benne)
{
    return QStringLiteral("Rien ne distingue cette benne d’une autre « %1 » : écrivez son numéro dans ses notes.")
        .arg(nomBenneDistinct(benne));
}

std::optional<qint64> finDeTenueMs(const LocationDeBenne* location)
{
    if (!location)
        return std::nullopt;
    if (const std::optional<qint64> fin = location->dateEnlevementMs())
        return fin;
    const Benne* benne = location->benne();
    if (!benne)
        return std::nullopt;
    const qint64 pose = location->datePoseMs();
    std::optional<qint64> suivante;
    for (const LocationDeBenne* autre : benne->locations()) {
        if (autre == location || autre->isDeleted())
            continue;
        const qint64 p = autre->datePoseMs();
        if (p > pose && (!suivante || p < *suivante))
            suivante = p;
    }
    return suivante;
}

} // namespace kv
