#include "today/item_state.h"

ItemState g_Item = InitialItemState();
