/* Starts a program and prints how many milliseconds pass until a window with
 * the given title is mapped on the X display. Usage: wait_mapped TITLE PROGRAM [ARGS...] */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static int has_title(Display *d, Window w, const char *title)
{
    char *name = NULL;
    int match = XFetchName(d, w, &name) && name && strcmp(name, title) == 0;
    if (name)
        XFree(name);
    return match;
}

/* A window may be gone before its name is asked for; that is no reason to stop. */
static int ignore_errors(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display *d = XOpenDisplay(NULL);
    if (!d)
        return 2;
    XSetErrorHandler(ignore_errors);
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        /* The program must not hold our output open: callers read it to the end. */
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify && has_title(d, e.xmap.window, argv[1])) {
            printf("%d %.1f\n", (int)pid, now_ms() - start);
            fflush(stdout);
            return 0;
        }
        if (now_ms() - start > 30000)
            return 1;
    }
}
