/*
 * A 32-bit Windows caller of VKT32.dll as institutions write them: the DLL loaded with
 * LoadLibraryA, its seven functions found with GetProcAddress under their plain names and
 * called through WINAPI (__stdcall) pointers declared here, not through vkt32.h's prototypes.
 * Every record and buffer the DLL writes lies between guard bytes that must stay untouched.
 *
 *   vkt_caller records
 *       the records with no server: VKTEstado before any operation, VKTError on an empty list.
 *   vkt_caller session SERVER PORT USER PASSWORD KEYDIR FILE NAME DIR
 *       connect, verify FILE (plain: no information needed), send FILE, request NAME into
 *       DIR, disconnect.
 *   vkt_caller hold SERVER PORT USER PASSWORD KEYDIR READY RELEASE
 *       connect, create the file READY, wait (at most 600 s) until the file RELEASE exists,
 *       disconnect.
 *   vkt_caller refused SERVER PORT USER PASSWORD KEYDIR
 *       VKTConectar while another process holds the session: must return 40033.
 *
 * Prints what failed and "N passed, N failed"; the exit status is 0 only when nothing failed.
 * The DLL is VKT_LIBRARY when set, else VKT32.dll found next to this program.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "vkt32.h"

typedef int32_t(WINAPI* ConectarFn)(const char*, const char*, const char*, const char*, const char*,
                                    int32_t, int32_t*);
typedef int32_t(WINAPI* VerificarFn)(int32_t, const char*, int32_t, char*, int32_t*);
typedef int32_t(WINAPI* EnviarFn)(int32_t, const char*, const char*, int32_t, const char*, int32_t);
typedef int32_t(WINAPI* SolicitarFn)(int32_t, const char*, const char*, const char*);
typedef int32_t(WINAPI* DesconectarFn)(int32_t);
typedef int32_t(WINAPI* ErrorFn)(ErrorRecord*);
typedef int32_t(WINAPI* EstadoFn)(StatusRecord*);
/* GetProcAddress's result passes through the generic function pointer type on its way to each
 * signature: the cast states the function's type, as a caller's header would. */
typedef void (*GenericFn)(void);

static struct {
    ConectarFn conectar;
    VerificarFn verificar;
    EnviarFn enviar;
    SolicitarFn solicitar;
    DesconectarFn desconectar;
    ErrorFn error;
    EstadoFn estado;
} vkt;

static int g_passed;
static int g_failed;

static void Check(int condition, const char* what) {
    if (condition) {
        ++g_passed;
    } else {
        ++g_failed;
        printf("FAILED: %s\n", what);
        fflush(stdout);
    }
}

/* A buffer of `size` bytes for the DLL to write, with kGuard bytes of kGuardByte on each side. */
enum { kGuard = 64, kGuardByte = 0xA5 };
/* VKTConectar's time-out, long enough for a 32-bit Wine under emulation. */
enum { kConnectSeconds = 300 };

typedef struct {
    unsigned char* block;
    size_t size;
} Guarded;

static Guarded GuardedNew(size_t size) {
    Guarded g;
    g.size = size;
    g.block = malloc(size + 2 * kGuard);
    if (g.block == NULL) {
        printf("out of memory\n");
        exit(2);
    }
    memset(g.block, kGuardByte, size + 2 * kGuard);
    return g;
}

static void* GuardedData(Guarded g) {
    return g.block + kGuard;
}

static int GuardsIntact(Guarded g) {
    for (size_t i = 0; i < kGuard; ++i) {
        if (g.block[i] != kGuardByte || g.block[kGuard + g.size + i] != kGuardByte) return 0;
    }
    return 1;
}

static FARPROC Find(HMODULE dll, const char* name) {
    FARPROC address = GetProcAddress(dll, name);
    Check(address != NULL, name);
    return address;
}

static int LoadVkt(void) {
    const char* chosen = getenv("VKT_LIBRARY");
    HMODULE dll = LoadLibraryA(chosen != NULL && *chosen != '\0' ? chosen : "VKT32.dll");
    if (dll == NULL) {
        printf("FAILED: LoadLibraryA: error %lu\n", (unsigned long)GetLastError());
        return 0;
    }
    vkt.conectar = (ConectarFn)(GenericFn)Find(dll, "VKTConectar");
    vkt.verificar = (VerificarFn)(GenericFn)Find(dll, "VKTVerificar");
    vkt.enviar = (EnviarFn)(GenericFn)Find(dll, "VKTEnviar");
    vkt.solicitar = (SolicitarFn)(GenericFn)Find(dll, "VKTSolicitar");
    vkt.desconectar = (DesconectarFn)(GenericFn)Find(dll, "VKTDesconectar");
    vkt.error = (ErrorFn)(GenericFn)Find(dll, "VKTError");
    vkt.estado = (EstadoFn)(GenericFn)Find(dll, "VKTEstado");
    Check(GetProcAddress(dll, "VKTConectar@28") == NULL &&
              GetProcAddress(dll, "_VKTConectar@28") == NULL,
          "no decorated name is exported");
    return vkt.conectar && vkt.verificar && vkt.enviar && vkt.solicitar && vkt.desconectar &&
           vkt.error && vkt.estado;
}

/* VKTEstado into a guarded record. */
static StatusRecord Status(void) {
    Guarded g = GuardedNew(sizeof(StatusRecord));
    StatusRecord copy;
    Check(vkt.estado((StatusRecord*)GuardedData(g)) == 0, "VKTEstado returns 0");
    Check(GuardsIntact(g), "VKTEstado writes exactly 540 bytes");
    memcpy(&copy, GuardedData(g), sizeof copy);
    free(g.block);
    return copy;
}

/* Prints and empties the error list, into a guarded array of ten records. */
static int32_t DrainErrors(void) {
    Guarded g = GuardedNew(10 * sizeof(ErrorRecord));
    const int32_t count = vkt.error((ErrorRecord*)GuardedData(g));
    Check(count >= 0 && count <= 10, "VKTError returns 0..10");
    Check(GuardsIntact(g), "VKTError writes inside its ten records");
    const ErrorRecord* records = (const ErrorRecord*)GuardedData(g);
    for (int32_t i = 0; i < count && i < 10; ++i) {
        printf("  error %ld: %.*s\n", (long)records[i].code, (int)records[i].textLength,
               records[i].text);
    }
    free(g.block);
    return count;
}

/* Polls VKTEstado until no operation runs (at most 600 s: a 32-bit Wine may run under
 * emulation); true when the last one ended well. */
static int WaitForEnd(const char* what) {
    StatusRecord status;
    for (int i = 0; i < 6000; ++i) {
        status = Status();
        if (status.activity != VKT_ACTIVITY_RUNNING) break;
        Sleep(100);
    }
    const int good = status.activity == VKT_ACTIVITY_IDLE;
    Check(good, what);
    if (!good) DrainErrors();
    return good;
}

static void TestRecords(void) {
    StatusRecord status = Status();
    Check(status.activity == VKT_ACTIVITY_IDLE && status.step == VKT_STEP_NONE,
          "before any operation: idle, no step");
    Check(vkt.estado(NULL) == 1, "VKTEstado(NULL) returns 1");
    Check(DrainErrors() == 0, "VKTError on an empty list returns 0");
}

static int Connect(char** a, int32_t* session) {
    const int32_t code = vkt.conectar(a[0], a[1], a[2], a[3], a[4], kConnectSeconds, session);
    if (code != 0) printf("  VKTConectar returned %ld\n", (long)code);
    Check(code == 0, "VKTConectar returns 0");
    return code == 0 && WaitForEnd("the session opens");
}

static void Disconnect(int32_t session) {
    Check(vkt.desconectar(session) == 0, "VKTDesconectar returns 0");
    WaitForEnd("the session ends");
}

/* a: SERVER PORT USER PASSWORD KEYDIR FILE NAME DIR */
static void TestSession(char** a) {
    int32_t session = 0;
    if (!Connect(a, &session)) return;
    Check(session != 0, "VKTConectar gives a session id");

    Guarded answer = GuardedNew(2048);
    Guarded length = GuardedNew(sizeof(int32_t));
    const int32_t verified =
        vkt.verificar(session, a[5], 0, (char*)GuardedData(answer), (int32_t*)GuardedData(length));
    /* A plain file the server asks nothing for: 40068, recorded as the operation's failure. */
    if (verified != VKT_STATUS_NO_INFORMATION_NEEDED) {
        printf("  VKTVerificar returned %ld\n", (long)verified);
    }
    Check(verified == VKT_STATUS_NO_INFORMATION_NEEDED, "VKTVerificar returns 40068");
    Check(GuardsIntact(answer) && GuardsIntact(length), "VKTVerificar writes inside its buffers");
    free(answer.block);
    free(length.block);
    Check(DrainErrors() == 1, "the verify's answer is recorded");

    Check(vkt.enviar(session, a[3], a[5], 0, "", 0) == 0, "VKTEnviar returns 0");
    WaitForEnd("the file is sent");
    Check(vkt.solicitar(session, a[3], a[6], a[7]) == 0, "VKTSolicitar returns 0");
    WaitForEnd("the file is received");
    Disconnect(session);
    Check(DrainErrors() == 0, "no failure is recorded");
}

static void CreateMarker(const char* path) {
    FILE* f = fopen(path, "w");
    Check(f != NULL, "the ready marker is created");
    if (f != NULL) fclose(f);
}

/* a: SERVER PORT USER PASSWORD KEYDIR READY RELEASE */
static void TestHold(char** a) {
    int32_t session = 0;
    if (!Connect(a, &session)) return;
    CreateMarker(a[5]);
    int released = 0;
    for (int i = 0; i < 6000 && !released; ++i) {
        released = GetFileAttributesA(a[6]) != INVALID_FILE_ATTRIBUTES;
        if (!released) Sleep(100);
    }
    Check(released, "the release marker appears");
    Disconnect(session);
}

/* a: SERVER PORT USER PASSWORD KEYDIR */
static void TestRefused(char** a) {
    int32_t session = -1;
    const int32_t code = vkt.conectar(a[0], a[1], a[2], a[3], a[4], kConnectSeconds, &session);
    printf("  VKTConectar returned %ld\n", (long)code);
    Check(code == 40033, "a second process's VKTConectar returns 40033");
    Check(DrainErrors() == 1, "one failure is recorded");
}

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    int arguments = -1;
    if (strcmp(mode, "records") == 0) arguments = 0;
    if (strcmp(mode, "session") == 0) arguments = 8;
    if (strcmp(mode, "hold") == 0) arguments = 7;
    if (strcmp(mode, "refused") == 0) arguments = 5;
    if (arguments < 0 || argc != arguments + 2) {
        fprintf(stderr, "usage: vkt_caller records|session|hold|refused ARGUMENTS...\n");
        return 2;
    }
    if (LoadVkt()) {
        if (arguments == 0) TestRecords();
        if (arguments == 8) TestSession(argv + 2);
        if (arguments == 7) TestHold(argv + 2);
        if (arguments == 5) TestRefused(argv + 2);
    }
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
