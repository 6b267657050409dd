/* Grabs a window's pixels once they stand still: grabs every 100 ms until two grabs
 * in a row are equal and writes that one as a binary PPM. With --differ-from, the
 * picture must first differ from the one in that file (the input it waits for has
 * been drawn). A launcher of ImageMagick's for every grab took a second on a busy
 * machine; this takes a few milliseconds.
 *
 *   faces-grab WINDOW_ID OUT.ppm [--differ-from FILE.ppm]
 * Exit codes: 0 written, 1 usage or X error, 2 never stood still / never changed.
 */
#define _POSIX_C_SOURCE 199309L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int failed;

static int on_error(Display* display, XErrorEvent* event) {
  (void)display;
  (void)event;
  failed = 1;
  return 0;
}

/* "P6\n<w> <h>\n255\n" and the pixels; NULL when the window cannot be read. */
static unsigned char* grab(Display* display, Window window, size_t* size) {
  XWindowAttributes attributes;
  failed = 0;
  if (!XGetWindowAttributes(display, window, &attributes) || failed) return NULL;
  XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                            (unsigned)attributes.height, AllPlanes, ZPixmap);
  XSync(display, False);
  if (image == NULL || failed) return NULL;
  char header[64];
  int length = snprintf(header, sizeof header, "P6\n%d %d\n255\n", image->width, image->height);
  *size = (size_t)length + (size_t)image->width * (size_t)image->height * 3;
  unsigned char* out = malloc(*size);
  if (out == NULL) exit(1);
  memcpy(out, header, (size_t)length);
  unsigned char* p = out + length;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      unsigned long pixel = XGetPixel(image, x, y);
      /* The 24-bit TrueColor of the test display. */
      *p++ = (unsigned char)((pixel & image->red_mask) >> 16);
      *p++ = (unsigned char)((pixel & image->green_mask) >> 8);
      *p++ = (unsigned char)(pixel & image->blue_mask);
    }
  }
  XDestroyImage(image);
  return out;
}

static unsigned char* read_file(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  fseek(file, 0, SEEK_END);
  long length = ftell(file);
  fseek(file, 0, SEEK_SET);
  unsigned char* data = malloc(length > 0 ? (size_t)length : 1);
  if (data == NULL || length < 0 || fread(data, 1, (size_t)length, file) != (size_t)length) exit(1);
  fclose(file);
  *size = (size_t)length;
  return data;
}

static int same(const unsigned char* a, size_t a_size, const unsigned char* b, size_t b_size) {
  return a != NULL && b != NULL && a_size == b_size && memcmp(a, b, a_size) == 0;
}

static void pause_100ms(void) {
  struct timespec delay = {0, 100 * 1000 * 1000};
  nanosleep(&delay, NULL);
}

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && strcmp(argv[3], "--differ-from") == 0)) {
    fprintf(stderr, "usage: faces-grab WINDOW_ID OUT.ppm [--differ-from FILE.ppm]\n");
    return 1;
  }
  char* end = NULL;
  Window window = (Window)strtoul(argv[1], &end, 0);
  if (window == 0 || *end != '\0') {
    fprintf(stderr, "faces-grab: not a window id: '%s'\n", argv[1]);
    return 1;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "faces-grab: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(on_error);

  size_t size = 0, earlier_size = 0;
  unsigned char* picture = NULL;
  /* 50 rounds: 5 s for the change, then 10 s to stand still. */
  if (argc == 5) {
    unsigned char* earlier = read_file(argv[4], &earlier_size);
    if (earlier == NULL) {
      fprintf(stderr, "faces-grab: cannot read %s\n", argv[4]);
      return 1;
    }
    int changed = 0;
    for (int round = 0; round < 50 && !changed; ++round) {
      if (round > 0) pause_100ms();
      free(picture);
      picture = grab(display, window, &size);
      if (picture == NULL) {
        fprintf(stderr, "faces-grab: cannot read window 0x%lx\n", window);
        return 1;
      }
      changed = !same(picture, size, earlier, earlier_size);
    }
    free(earlier);
    if (!changed) {
      fprintf(stderr, "faces-grab: window 0x%lx did not change in 5 s\n", window);
      return 2;
    }
  } else {
    picture = grab(display, window, &size);
  }
  for (int round = 0; round < 100; ++round) {
    if (picture == NULL) {
      fprintf(stderr, "faces-grab: cannot read window 0x%lx\n", window);
      return 1;
    }
    pause_100ms();
    size_t next_size = 0;
    unsigned char* next = grab(display, window, &next_size);
    if (same(picture, size, next, next_size)) {
      FILE* out = fopen(argv[2], "wb");
      if (out == NULL || fwrite(next, 1, next_size, out) != next_size || fclose(out) != 0) {
        fprintf(stderr, "faces-grab: cannot write %s\n", argv[2]);
        return 1;
      }
      return 0;
    }
    free(picture);
    picture = next;
    size = next_size;
  }
  fprintf(stderr, "faces-grab: window 0x%lx never stood still for two grabs in 10 s\n", window);
  return 2;
}
