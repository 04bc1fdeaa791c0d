#pragma once

// The column of skips beside the planning grid: one painted label per skip in view, its whole
// volume and state on the skip's colour, a warning sign on an unusable skip. A click, or Enter
// on the current label, asks for a new rental of that skip. It follows the grid's vertical
// scrolling; Up and Down move the current label and keep it in view; Right goes into its row.

#include <QCache>
#include <QPixmap>
#include <QWidget>

namespace kv {

class Benne;

namespace planning {

class GrillePlanning;

class ColonneBennes : public QWidget {
    Q_OBJECT
public:
    explicit ColonneBennes(GrillePlanning* grille);

    // "10 m³ état : sale": the whole volume, then the state's name in lower case; for a look-alike
    // what tells it apart follows (see distinctionBenne).
    static QString texteEtiquette(const Benne* benne);
    static bool estInutilisable(const Benne* benne);
    // The label's background: the skip's colour, or blue at 0.7 when its text is no colour.
    static QColor couleurEtiquette(const Benne* benne);

    int ligneCourante() const { return m_courante; }
    void setLigneCourante(int ligne);
    // The grid's cell moved to `ligne`, in view: the current label goes with it, so that the keys
    // coming back from the grid, or going on into it, stay in the row the user left.
    void suivreCurseur(int ligne);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPixmap etiquette(const Benne* benne, double hauteur);

    int ligneA(const QPoint& point) const;

    GrillePlanning* m_grille;
    int m_courante = -1;
    int m_appui = -1;
    QCache<QString, QPixmap> m_etiquettes{400};
};

} // namespace planning
} // namespace kv
