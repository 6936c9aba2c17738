#include "usage.h"

namespace hf::cli {

std::string UsageText(const std::string &defaultLibrary, const std::string &settingsKey) {
  return "Usage: hotfolders [--library PATH] [--json] COMMAND [ARGUMENT]\n"
         "\n"
         "Shows and edits the ranked list of the folders in which the product has\n"
         "dealt with objects most often of late, as the hotFolders library keeps it in\n"
         "the current user's settings key " + settingsKey + ".\n"
         "\n"
         "Commands:\n"
         "  init           create the settings key (once per user, before any other command)\n"
         "  list           every stored folder with its hits, in stored order (best first)\n"
         "  count          the number of stored folders\n"
         "  get INDEX      the folder at INDEX, counted from 1 as `list` numbers them\n"
         "  delete FOLDER  remove FOLDER (exactly as listed, case counts) from the list and\n"
         "                 keep it out of every later rebuild\n"
         "  update         rebuild the list from the product's history logs, then print it\n"
         "\n"
         "Options:\n"
         "  --json          list, get, count and update print JSON\n"
         "  --library PATH  load the library from PATH instead of " + defaultLibrary + "\n"
         "  --help, -h      print this help\n"
         "  --version       print the version\n"
         "  --              end of options, for a FOLDER that begins with '-'\n"
         "\n"
         "Exit status:\n"
         "  0  success\n"
         "  1  the library reported failure (the message says which)\n"
         "  2  the command line is wrong\n"
         "  3  the library or one of its functions could not be loaded\n"
         "  4  the settings key does not exist: run `hotfolders init`\n"
         "  5  the settings key cannot be created, the current user may not read it, or\n"
         "     (init, delete, update) may not write to it\n"
         "  6  the change could not be stored although the current user may write to the\n"
         "     settings key: the disk is full or over quota, or a stored value is damaged\n";
}

}  // namespace hf::cli
