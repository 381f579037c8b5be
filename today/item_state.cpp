#include "today/item_state.h"

// No selection, the focus on the first entry; constants alone, so nothing runs at load.
#define INITIAL_ITEM_STATE { NULL, 0, 0, NULL, NULL, -1, 0, NULL, L"" }

ItemState g_Item = INITIAL_ITEM_STATE;

ItemState InitialItemState(void)
{
    ItemState state = INITIAL_ITEM_STATE;
    return state;
}
