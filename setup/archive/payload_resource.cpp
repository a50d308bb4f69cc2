#include "payload_resource.h"

#include "product.h"

void FindPayload(HMODULE module, const void** data, DWORD* size)
{
    *data = nullptr;
    *size = 0;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kPayloadResourceId), kPayloadResourceType);
    if (!resource)
        return;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD length = SizeofResource(module, resource);
    if (bytes && length) {
        *data = bytes;
        *size = length;
    }
}
