#pragma once
// The controls of an extended dialog template (DLGTEMPLATEEX, as the resource compiler writes
// DIALOGEX), put into another order before the dialog is made from it. A dialog's controls
// stand in the Z order in which the template lists them, and Tab walks them in that order:
// a template in the wanted order costs nothing, while moving the finished windows one by one
// costs a round trip to the window system each. Pure code: the template is read from the
// program's own resources, but still checked, and anything it cannot read gives nothing.

#include <cstddef>
#include <vector>

// A copy of the template with the controls of the given ids first, in that order, and the
// others after them in their own order; an id the template does not hold is passed over.
// Empty when the bytes are not a whole extended template.
std::vector<unsigned char> ReorderDialogTemplate(const unsigned char* bytes, size_t size, const std::vector<int>& ids);
