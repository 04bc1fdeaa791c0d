#pragma once

#include "commande.h"

#include "model/query.h"
#include "model/records.h"
#include "widgets/observable.h"

#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

namespace kv {

// What the main window hands the screens. Most screens take the store alone; the planning grid
// takes the request to come back to today, and the rentals-by-client screen and the map take the
// window's live lists (read their current results) and, for the former, the selections the
// window keeps across changes of command.
struct ScreenInputs {
    ModelContext* context = nullptr;

    Observable<bool> demanderCentrageSurAujourdhui;
    // Set by the toolbar's "Zoom sur toutes les bennes" while the map of rented skips is shown.
    Observable<bool> demanderZoomSurToutesLesBennes;

    Query<Client>* clients = nullptr;
    Query<Benne>* bennes = nullptr;
    Query<LocationDeBenne>* locations = nullptr;

    Observable<Client*> selectedClient;
    Observable<LocationDeBenne*> selectedLocation;
    Observable<bool> showBennes;
    Observable<std::optional<QUuid>> selectedClientID;
    Observable<std::optional<QUuid>> bennesReadyForClientID;

    // Decimal with exactly one fraction digit, in the current locale.
    std::function<QString(double)> formatter;
    // Short date without time, in the current locale.
    std::function<QString(const QDateTime&)> dateFormatter;
};

// The screen of a command, built afresh. Until a command's screen exists, a placeholder showing
// the command's title stands in its place.
QWidget* createScreen(Commande commande, const ScreenInputs& inputs, QWidget* parent = nullptr);

// True when `screen` is the placeholder of a command that has no screen yet.
bool isPlaceholderScreen(const QWidget* screen);

} // namespace kv
