#pragma once

#include <QIcon>
#include <QStringList>
#include <QWidget>

namespace kv {

// A tag whose text is a sentence: where the tag is too narrow for it on one line it wraps between
// its words rather than being cut. It paints its text itself and its height is worked out from its
// width alone (no label inside measuring itself), so that a form holding it settles at once.
class EtiquetteRepliable : public QWidget {
    Q_OBJECT
public:
    EtiquetteRepliable(const QString& texte, const QString& symbole, QWidget* parent = nullptr);

    QString texte() const { return m_texte; }
    // The lines the text stands on at the tag's present width.
    QStringList lignes() const;

    QSize sizeHint() const override;
    // As narrow as its longest word.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int largeur) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QStringList lignesPour(int largeurTexte) const;
    // What the frame and the symbol take beside the text.
    int bord() const;
    int cote() const;

    QString m_texte;
    QIcon m_symbole;
};

} // namespace kv
