// The folders of held records, copied and counted sixteen at a time.
#include "harvest/held_folder_batch.h"

namespace hf {

void HeldFolderBatch::Add(FolderList &tally, TallyIndex &index, const char16_t *objectPath) {
  const std::u16string_view folder = CopyFolderOfText(objectPath, folders_[waiting_]);
  if (folder.size() <= FolderCopy::kUnits) {
    if (++waiting_ == kFolders) Count(tally, index);
    return;
  }
  Count(tally, index);
  CountHeldFolder(tally, index, folder);
}

void HeldFolderBatch::Count(FolderList &tally, TallyIndex &index) {
  const std::size_t waiting = waiting_;
  waiting_ = 0;
  CountHeldFolders(tally, index, folders_.data(), waiting);
}

}  // namespace hf
