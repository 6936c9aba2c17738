// The merge of the two logs' top lists.
#pragma once

#include "store/folder_list.h"

namespace hf {

// Adds second into first: an entry whose path equals (case-sensitively) one
// that first held before the merge adds its hits there (held at the 32-bit
// limits), the others are appended in order.
void MergeTopLists(FolderList &first, const FolderList &second);

}  // namespace hf
