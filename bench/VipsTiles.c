/* The libvips side of the batch benchmark: one process per job that decodes each picture once,
 * as a fair peer of mosvane-batch (which also decodes each item once).
 *
 *   vips_tiles split COMPRESSION FILTER ROWS COLS OUTFOLDER PICTURE...
 *       each picture into ROWS x COLS PNG tiles OUTFOLDER/<name>NNNN.png, numbered from 1
 *   vips_tiles join COMPRESSION FILTER COLS OUT TILE...
 *       the tiles, COLS across, into one PNG
 *
 * COMPRESSION is the zlib level (0-9), or -1 for libvips' defaults; FILTER the PNG filter set:
 * "all" or "none". */
#include <vips/vips.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* compression < 0: libvips' own defaults for both settings. */
static int save_png(VipsImage* image, const char* path, int compression, int filter)
{
    if (compression < 0)
        return vips_pngsave(image, path, NULL);
    return vips_pngsave(image, path, "compression", compression, "filter", filter, NULL);
}

/* The file name without folder and extension. */
static void title_of(const char* path, char* title, size_t size)
{
    const char* slash = strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    const char* dot = strrchr(name, '.');
    size_t length = dot ? (size_t)(dot - name) : strlen(name);
    if (length >= size)
        length = size - 1;
    memcpy(title, name, length);
    title[length] = '\0';
}

static int split(int compression, int filter, int rows, int cols, const char* folder, int count, char** pictures)
{
    for (int i = 0; i < count; ++i)
    {
        /* Decoded once into memory; every tile is cut from that copy. */
        VipsImage* file = vips_image_new_from_file(pictures[i], "access", VIPS_ACCESS_SEQUENTIAL, NULL);
        if (!file)
            return 1;
        VipsImage* memory = vips_image_copy_memory(file);
        g_object_unref(file);
        if (!memory)
            return 1;
        const int w = vips_image_get_width(memory) / cols, h = vips_image_get_height(memory) / rows;
        char title[256], out[1024];
        title_of(pictures[i], title, sizeof title);
        for (int k = 0; k < rows * cols; ++k)
        {
            VipsImage* tile = NULL;
            if (vips_extract_area(memory, &tile, k % cols * w, k / cols * h, w, h, NULL))
                return 1;
            snprintf(out, sizeof out, "%s/%s%04d.png", folder, title, k + 1);
            const int failed = save_png(tile, out, compression, filter);
            g_object_unref(tile);
            if (failed)
                return 1;
        }
        g_object_unref(memory);
    }
    return 0;
}

static int join(int compression, int filter, int cols, const char* out, int count, char** tiles)
{
    VipsImage** images = g_new0(VipsImage*, count);
    int failed = 0;
    for (int i = 0; i < count && !failed; ++i)
        failed = !(images[i] = vips_image_new_from_file(tiles[i], "access", VIPS_ACCESS_SEQUENTIAL, NULL));
    VipsImage* sheet = NULL;
    if (!failed)
        failed = vips_arrayjoin(images, &sheet, count, "across", cols, NULL) || save_png(sheet, out, compression, filter);
    if (sheet)
        g_object_unref(sheet);
    for (int i = 0; i < count; ++i)
        if (images[i])
            g_object_unref(images[i]);
    g_free(images);
    return failed;
}

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]))
        vips_error_exit(NULL);
    /* One thread per process: the benchmark runs one process per core, as mosvane's workers do. */
    vips_concurrency_set(1);
    int status = 2;
    if (argc >= 8 && strcmp(argv[1], "split") == 0)
        status = split(atoi(argv[2]), strcmp(argv[3], "none") == 0 ? VIPS_FOREIGN_PNG_FILTER_NONE : VIPS_FOREIGN_PNG_FILTER_ALL,
                       atoi(argv[4]), atoi(argv[5]), argv[6], argc - 7, argv + 7);
    else if (argc >= 7 && strcmp(argv[1], "join") == 0)
        status = join(atoi(argv[2]), strcmp(argv[3], "none") == 0 ? VIPS_FOREIGN_PNG_FILTER_NONE : VIPS_FOREIGN_PNG_FILTER_ALL,
                      atoi(argv[4]), argv[5], argc - 6, argv + 6);
    else
        fprintf(stderr, "usage: vips_tiles split COMPRESSION all|none ROWS COLS OUTFOLDER PICTURE...\n"
                        "       vips_tiles join COMPRESSION all|none COLS OUT TILE...\n");
    if (status == 1)
        fprintf(stderr, "vips_tiles: %s\n", vips_error_buffer());
    vips_shutdown();
    return status;
}
