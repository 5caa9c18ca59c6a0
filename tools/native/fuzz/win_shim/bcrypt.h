// Declarations of the hashing calls named by the sources; they always fail in the shim.
#pragma once

#include <windows.h>

using NTSTATUS = LONG;
using BCRYPT_ALG_HANDLE = void*;
using BCRYPT_HASH_HANDLE = void*;
#define BCRYPT_SUCCESS(status) ((status) >= 0)
#define BCRYPT_SHA256_ALGORITHM L"SHA256"

NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* alg, LPCWSTR id, LPCWSTR impl,
                                     ULONG flags);
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE alg, ULONG flags);
NTSTATUS BCryptCreateHash(BCRYPT_ALG_HANDLE alg, BCRYPT_HASH_HANDLE* hash, BYTE* object,
                          ULONG objectSize, BYTE* secret, ULONG secretSize, ULONG flags);
NTSTATUS BCryptHashData(BCRYPT_HASH_HANDLE hash, BYTE* input, ULONG size, ULONG flags);
NTSTATUS BCryptFinishHash(BCRYPT_HASH_HANDLE hash, BYTE* output, ULONG size, ULONG flags);
NTSTATUS BCryptDestroyHash(BCRYPT_HASH_HANDLE hash);
