#pragma once

// The line under the removal date field that says, as soon as the date shown comes before the
// placement, that a removal cannot: the field takes any date, this line refuses it by name. A
// typed text the field refused as a date (one that does not exist) is said there too, until a
// date is taken. Its room is kept from the start, so that nothing moves under the pointer when
// it speaks.

#include <QDate>
#include <QLabel>

class QDateEdit;

namespace kv::planning {

class RefusEnlevement : public QLabel {
    Q_OBJECT
public:
    RefusEnlevement(QDateEdit* champ, const QDate& jourPose, QWidget* parent = nullptr);

    // Whether the date shown may be the removal day, and no typed date was refused; when not,
    // the line says why.
    bool accepte();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void colorer();
    static QString texteRefus(const QString& tape);
    void tenirLaPlace();
    QDateEdit* m_champ;
    QDate m_jourPose;
    QString m_texte;
};

} // namespace kv::planning
