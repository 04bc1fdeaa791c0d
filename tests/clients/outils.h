#pragma once

// Helpers of the screen tests: records, clicks on list rows, context menus and message boxes.

#include "model/modelcontext.h"
#include "widgets/forms/listpanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QtTest>

namespace outils {

inline std::unique_ptr<kv::ModelContext> store(const QString& path = QStringLiteral(":memory:"))
{
    QString error;
    auto ctx = kv::ModelContext::open(path, &error);
    if (!ctx)
        qFatal("store: %s", qPrintable(error));
    return ctx;
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom, const QString& ville = QString(),
                          const QString& cp = QString(), const QString& adresse = QString(),
                          std::optional<QString> email = std::nullopt)
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), adresse, cp, ville,
                             QString(), email, std::nullopt);
    ctx->insert(c);
    return c;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume, kv::EtatBenne etat = kv::EtatBenne::correct,
                        const QString& notes = QString(), kv::DispositifSpecial* d = nullptr)
{
    auto* b = new kv::Benne(volume, QStringLiteral("808080"), etat, notes, d);
    ctx->insert(b);
    return b;
}

inline kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b)
{
    return new kv::LocationDeBenne(c, b, std::nullopt, std::nullopt, std::nullopt, 0, 0, 0,
                                   QDateTime::currentDateTime(), std::nullopt, nullptr);
}

inline void save(kv::ModelContext* ctx)
{
    QString error;
    if (!ctx->save(&error))
        qFatal("save: %s", qPrintable(error));
}

// Lets the store announce its changes and the lists refresh.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

inline QStringList rowTexts(kv::forms::ListPanel* panel)
{
    QStringList out;
    for (int i = 0; i < panel->rowCount(); ++i)
        out.append(panel->listView()->model()->index(i, 0).data().toString());
    return out;
}

inline int rowOf(kv::forms::ListPanel* panel, const QString& startsWith)
{
    const QStringList texts = rowTexts(panel);
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i].startsWith(startsWith))
            return i;
    return -1;
}

inline void clickRow(kv::forms::ListPanel* panel, int row)
{
    QListView* view = panel->listView();
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

// Right-clicks a row and triggers the menu entry with this text.
inline bool chooseInContextMenu(kv::forms::ListPanel* panel, int row, const QString& entry)
{
    QListView* view = panel->listView();
    const QPoint pos = view->visualRect(view->model()->index(row, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view->viewport(), &event);
    const QList<QMenu*> menus = panel->findChildren<QMenu*>();
    if (menus.isEmpty())
        return false;
    QMenu* menu = menus.last();
    for (QAction* a : menu->actions()) {
        if (a->text() == entry) {
            menu->close();
            a->trigger();
            return true;
        }
    }
    menu->close();
    return false;
}

// The open message box with this object name ("confirmation" or "erreur"), or null.
inline QMessageBox* box(QWidget* window, const QString& name)
{
    for (QMessageBox* b : window->window()->findChildren<QMessageBox*>(name))
        if (b->isVisible())
            return b;
    return nullptr;
}

inline bool clickBoxButton(QMessageBox* b, const QString& text)
{
    for (QAbstractButton* button : b->buttons()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}

inline void closeBoxes(QWidget* window)
{
    for (QMessageBox* b : window->window()->findChildren<QMessageBox*>())
        b->done(0);
    settle();
}

} // namespace outils
