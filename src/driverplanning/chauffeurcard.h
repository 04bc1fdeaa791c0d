#pragma once

// The header of a driver's row: his first name and name on blue glass. Without a driver, the
// header of the day's work still to give out, on orange glass, with its count.

#include <QWidget>

class QLabel;

namespace kv {

class Chauffeur;

class ChauffeurCard : public QWidget {
    Q_OBJECT
public:
    explicit ChauffeurCard(Chauffeur* chauffeur, QWidget* parent = nullptr);
    Chauffeur* chauffeur() const { return m_chauffeur; }
    QString texte() const;
    // Shows the driver's names again (after a change in the store).
    void actualiser();
    // Without a driver: what is left to give out, « À attribuer · 3 ».
    void setNombreAAttribuer(int nombre);

    // As wide as the names on one line, up to the card's maximum width; as tall as the names
    // need at that width, however many lines they take.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Above and below the names: the glass's margins and the room for its shadow.
    static constexpr int kMarge = 10;
    static constexpr int kBords = 3 * kMarge;

private:
    Chauffeur* m_chauffeur;
    int m_aAttribuer = 0;
    QLabel* m_nom;
};

// The glass of the planning's sections and cards: blue or red tint, blue shadow.
QWidget* surVerre(QWidget* contenu, const QColor& teinte, QWidget* parent = nullptr);

} // namespace kv
