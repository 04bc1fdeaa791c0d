#pragma once

// The report page of one client's month: what the PDF file and the printer both draw. It is
// laid out at a width of the caller's choosing (never more than 480) and drawn with QWidget::
// render; its units are points. Page breaks may fall only between rental blocks.

#include <QList>
#include <QStringList>
#include <QTimeZone>
#include <QWidget>

namespace kv {

class Client;
class LocationDeBenne;

class RapportPDFView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLargeurMax = 480;

    // `locations`: the rentals of the report, in any order; the page lists them oldest first.
    RapportPDFView(const Client* client, qint64 moisMs, const QList<LocationDeBenne*>& locations,
                   const QTimeZone& zone = QTimeZone::systemTimeZone(), QWidget* parent = nullptr);

    // Lays the page out at `largeur` (at most kLargeurMax is used) and returns its height.
    int mettreEnPage(int largeur);

    // Heights where a page may end, in increasing order, after mettreEnPage(): the top of each
    // rental block but the first, and the end of the page.
    QList<int> coupuresPossibles() const;

    int nombreDeBlocs() const { return int(m_blocs.size()); }
    // Every text of the page, top to bottom.
    const QStringList& textes() const { return m_textes; }

private:
    void ajouterBloc(const LocationDeBenne* location, const QTimeZone& zone);
    QWidget* texte(const QString& texte, int style, QWidget* parent);
    QList<QWidget*> m_blocs;
    QStringList m_textes;
};

} // namespace kv
