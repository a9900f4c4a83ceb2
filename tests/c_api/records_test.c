/*
 * The public records from C, through the real libVKT32.so: byte layout, VKTEstado before any
 * operation, VKTEstado(NULL), VKTError on an empty list. Prints "N passed, N failed".
 *
 * The library joins the session table named by VKT_SHM_PREFIX in its constructor, before
 * main; CTest gives this test a prefix of its own ("VKTcapi..."), so it never touches a real
 * user's table, and main removes the two shared-memory objects made under it.
 */
#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "vkt32.h"

static int g_passed;
static int g_failed;

static void Check(int condition, const char* what) {
    if (condition) {
        ++g_passed;
    } else {
        ++g_failed;
        printf("FAILED: %s\n", what);
    }
}

static int AllBytesAre(const void* data, size_t size, unsigned char value) {
    const unsigned char* bytes = data;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != value) return 0;
    }
    return 1;
}

static uint32_t LittleEndianAt(const void* data, size_t offset) {
    const unsigned char* bytes = (const unsigned char*)data + offset;
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
           (uint32_t)bytes[3] << 24;
}

/* Every field at its offset, numbers little-endian, no padding. */
static void TestLayout(void) {
    StatusRecord status;
    ErrorRecord error;
    const unsigned char* s = (const unsigned char*)&status;
    const unsigned char* e = (const unsigned char*)&error;

    Check(sizeof(StatusRecord) == 540, "StatusRecord is 540 bytes");
    Check(sizeof(ErrorRecord) == 276, "ErrorRecord is 276 bytes");
    Check(sizeof(ErrorRecord[10]) == 2760, "ten ErrorRecords are 2760 bytes");

    memset(&status, 0, sizeof status);
    status.sessionId = 0x01020304u;
    status.function[0] = 'F';
    status.functionLength = 0x11121314u;
    status.step = 0x21222324u;
    status.fileName[255] = 'N';
    status.fileNameLength = 0x31323334u;
    status.bytesDone = 0x41424344u;
    status.bytesTotal = 0x51525354u;
    status.activity = 0x61626364u;
    Check(s[0] == 0x04 && s[3] == 0x01, "StatusRecord.sessionId at 0, little-endian");
    Check(s[4] == 'F', "StatusRecord.function at 4");
    Check(LittleEndianAt(s, 260) == 0x11121314u, "StatusRecord.functionLength at 260");
    Check(LittleEndianAt(s, 264) == 0x21222324u, "StatusRecord.step at 264");
    Check(s[268 + 255] == 'N', "StatusRecord.fileName at 268, 256 bytes");
    Check(LittleEndianAt(s, 524) == 0x31323334u, "StatusRecord.fileNameLength at 524");
    Check(LittleEndianAt(s, 528) == 0x41424344u, "StatusRecord.bytesDone at 528");
    Check(LittleEndianAt(s, 532) == 0x51525354u, "StatusRecord.bytesTotal at 532");
    Check(LittleEndianAt(s, 536) == 0x61626364u, "StatusRecord.activity at 536");

    memset(&error, 0, sizeof error);
    error.code = -2;
    error.timeLength = 0x11121314u;
    error.textLength = 0x21222324u;
    error.text[0] = 'T';
    error.text[254] = 'U';
    error.timeOfDay[0] = 'H';
    error.timeOfDay[8] = 'Z';
    Check(LittleEndianAt(e, 0) == 0xFFFFFFFEu, "ErrorRecord.code at 0, two's complement");
    Check(LittleEndianAt(e, 4) == 0x11121314u, "ErrorRecord.timeLength at 4");
    Check(LittleEndianAt(e, 8) == 0x21222324u, "ErrorRecord.textLength at 8");
    Check(e[12] == 'T' && e[12 + 254] == 'U', "ErrorRecord.text at 12, 255 bytes");
    Check(e[267] == 'H' && e[275] == 'Z', "ErrorRecord.timeOfDay at 267, 9 bytes");
}

/* Before any operation: 0, and the whole record zero (function empty, step 0, activity 0,
 * both lengths 0); the block is not changed by reading it. */
static void TestStatusBeforeAnyOperation(void) {
    StatusRecord first;
    StatusRecord second;
    memset(&first, 0xAB, sizeof first);
    memset(&second, 0xCD, sizeof second);
    Check(VKTEstado(&first) == VKT_STATUS_OK, "VKTEstado returns 0");
    Check(first.function[0] == '\0' && first.functionLength == 0, "function empty");
    Check(first.step == VKT_STEP_NONE && first.activity == VKT_ACTIVITY_IDLE, "step 0, activity 0");
    Check(AllBytesAre(&first, sizeof first, 0), "the whole record is written, all zero");
    Check(VKTEstado(&second) == 0 && memcmp(&first, &second, sizeof first) == 0,
          "reading does not change the block");
    Check(VKTEstado(NULL) == 1, "VKTEstado(NULL) returns 1");
}

static void TestEmptyErrorList(void) {
    ErrorRecord records[10];
    memset(records, 0x5A, sizeof records);
    Check(VKTError(records) == 0, "VKTError on an empty list returns 0");
    Check(AllBytesAre(records, sizeof records, 0x5A), "the buffer is untouched");
    Check(VKTError(records) == 0, "a second call also returns 0");
    Check(VKTError(NULL) == 0, "VKTError(NULL) returns 0");
}

/* The library's objects are "/<prefix>Tabla.<euid>" and "/<prefix>Mutex.<euid>"; only a
 * prefix of this test's own ("VKTcapi...") is removed. */
static void RemovePrivateTable(void) {
    const char* prefix = getenv("VKT_SHM_PREFIX");
    if (prefix == NULL || strncmp(prefix, "VKTcapi", 7) != 0) return;
    const char* kinds[] = {"Tabla", "Mutex"};
    for (int i = 0; i < 2; ++i) {
        char name[128];
        snprintf(name, sizeof name, "/%s%s.%u", prefix, kinds[i], (unsigned)geteuid());
        Check(shm_unlink(name) == 0, "the private shared-memory object exists and is removed");
    }
}

int main(void) {
    Check(getenv("VKT_SHM_PREFIX") != NULL, "a private table prefix is set");
    TestLayout();
    TestStatusBeforeAnyOperation();
    TestEmptyErrorList();
    RemovePrivateTable();
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
