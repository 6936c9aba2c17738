/* The list of generated proxy files and the standard proxy/stub factory
   routines over it, named with the Prx prefix (ENTRY_PREFIX) so that
   dll_entry.cpp can put the batching cursor's class in front of them. The
   factory's class identifier comes from PROXY_CLSID_IS. */
#include <objbase.h>
#include <rpcproxy.h>

EXTERN_PROXY_FILE(morvex_remote)

PROXYFILE_LIST_START
REFERENCE_PROXY_FILE(morvex_remote),
PROXYFILE_LIST_END

DLLDATA_ROUTINES(aProxyFileList, GET_DLL_CLSID)
