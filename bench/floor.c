/* The least the programs' work can cost in system calls, with no work between
 * them, for the benchmark to measure against:
 *   floor compress INPUT OUTPUT SIZE   reads INPUT whole in 64 KB blocks, then
 *       writes SIZE bytes in one write to a new file beside OUTPUT and renames
 *       it over OUTPUT: what squeezle must do for an output of SIZE bytes.
 *   floor decode INPUT OUTPUT SIZE     the same for unsqueezle and a text of
 *       SIZE bytes. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static char block[65536];
static char text[1 << 20];

int main(int argc, char** argv) {
    if (argc != 5) {
        return 1;
    }
    int input = open(argv[2], O_RDONLY);
    long size = atol(argv[4]);
    if (input < 0 || size < 0 || size > (long)sizeof text) {
        return 2;
    }
    while (read(input, block, sizeof block) > 0) {
    }
    char unfinished[4096];
    snprintf(unfinished, sizeof unfinished, "%s.unfinished", argv[3]);
    int output = open(unfinished, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (output < 0 || write(output, text, (size_t)size) != size) {
        return 3;
    }
    close(output);
    close(input);
    return rename(unfinished, argv[3]) == 0 ? 0 : 4;
}
