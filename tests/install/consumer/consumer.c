/*
 * A developer's own program linked against the installed libVKT32: VKTEstado before any
 * operation succeeds and reports the library idle. Exits 0 when it does.
 */
#include <stdio.h>
#include <string.h>
#include <vkt32.h>

int main(void) {
    StatusRecord status;
    memset(&status, 0xAB, sizeof status);
    const int32_t code = VKTEstado(&status);
    if (code != VKT_STATUS_OK || status.activity != VKT_ACTIVITY_IDLE) {
        printf("VKTEstado: code %d, activity %u\n", (int)code, (unsigned)status.activity);
        return 1;
    }
    printf("VKTEstado: idle\n");
    return 0;
}
