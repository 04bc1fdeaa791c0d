#include "listdetail.h"

// The signals of ListDetailBase are made by moc from the header; nothing else lives here.
