/* The least the programs' work can cost in system calls, with no work between
 * them, for the benchmark to measure against:
 *   floor compress INPUT OUTPUT SIZE   reads INPUT whole twice in 64 KB blocks,
 *       then writes a 36-byte header, SIZE - 36 bytes in 1024-byte writes, and
 *       the header again at the start: what squeezle must do for an output of
 *       SIZE bytes.
 *   floor decode INPUT OUTPUT SIZE     reads INPUT whole, then writes SIZE bytes
 *       in one write: what unsqueezle must do for a text of SIZE bytes. */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char block[65536];
static char text[1 << 20];

static void readWhole(int input) {
    lseek(input, 0, SEEK_SET);
    while (read(input, block, sizeof block) > 0) {
    }
}

int main(int argc, char** argv) {
    if (argc != 5) {
        return 1;
    }
    int input = open(argv[2], O_RDONLY);
    long size = atol(argv[4]);
    if (input < 0 || size < 36 || size > (long)sizeof text) {
        return 2;
    }
    int compress = strcmp(argv[1], "compress") == 0;
    readWhole(input);
    if (compress) {
        readWhole(input);
    }
    int output = open(argv[3], O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (output < 0) {
        return 3;
    }
    if (compress) {
        write(output, text, 36);
        for (long left = size - 36; left > 0; left -= 1024) {
            write(output, text, left < 1024 ? (size_t)left : 1024);
        }
        lseek(output, 0, SEEK_SET);
        write(output, text, 36);
    } else {
        write(output, text, (size_t)size);
    }
    close(output);
    close(input);
    return 0;
}
