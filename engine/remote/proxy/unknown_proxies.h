/* The IUnknown proxy entries rpcrt4 exports, which the generated proxy code
   names but the toolchain's headers do not declare. Included before the
   generated proxy file. */
#include <rpc.h>
#include <rpcndr.h>
#include <unknwn.h>

HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown *This, REFIID riid, void **ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown *This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown *This);
