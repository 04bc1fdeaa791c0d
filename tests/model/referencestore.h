#pragma once

// A small office with every kind of record and link, and a text dump of a whole store, used to
// check that a store file written by an earlier version opens with everything it holds.

#include "model/modelcontext.h"

#include <QStringList>

namespace ref {

// Fills an empty context with the reference office and saves it (deterministic: fixed ids,
// dates and values; some lists kept in an order that differs from creation order, some
// records deleted after a first save so that identifiers leave gaps).
bool buildReferenceStore(kv::ModelContext* ctx, QString* error);

// Every record of the store, in store order, with every field and every link (links by
// persistent identifier, lists in their order), one line per record.
QStringList dumpStore(const kv::ModelContext& ctx);

} // namespace ref
