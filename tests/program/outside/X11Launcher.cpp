// The private X server of the outside tests, started through the X11 test harness so that they
// run on the same desktop as every other X11 test: Xorg with the dummy driver and two monitors,
// and openbox. Prints "DISPLAY :N" once the desktop is up, then answers one line per command
// read from standard input:
//
//   grab <key> [super|ctrl|alt|shift]...   "held" when another client grabs that key on the root
//                                          window, else "free" (the launcher's own trial grab is
//                                          let go at once)
//   close <window>                         "ok" once the window was asked to close, as a window
//                                          manager's close button asks it (WM_DELETE_WINDOW)
//   stop-window-manager                    "ok" once openbox has ended
//   start-window-manager                   "ok" once openbox runs
//   screenshot <x> <y> <w> <h> <file>      "ok" once that rectangle of the root window (root
//                                          coordinates) is written to the file as a binary PPM:
//                                          what the screen shows, read from the server's frame
//                                          buffer (a per-window reader such as xwd shows windows
//                                          of their own colormap, and the holes of shaped ones,
//                                          as black)
//   compositing                            "yes" while a compositing manager runs (the selection
//                                          _NET_WM_CM_S0 has an owner), else "no"
//   quit                                   tears the desktop down (so does the end of the input)
//
// Every process of the desktop dies with the launcher.

#include "XSession.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

xcb_keysym_t keysymNamed(const std::string &name)
{
    static const std::map<std::string, xcb_keysym_t> named = {
        {"space", XK_space},
        {"comma", XK_comma},
        {"return", XK_Return},
        {"escape", XK_Escape},
    };
    if (const auto it = named.find(name); it != named.end()) {
        return it->second;
    }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        return static_cast<xcb_keysym_t>(std::tolower(static_cast<unsigned char>(name[0])));
    }
    return 0;
}

uint16_t modifierNamed(const std::string &name)
{
    if (name == "super") {
        return XCB_MOD_MASK_4;
    }
    if (name == "ctrl") {
        return XCB_MOD_MASK_CONTROL;
    }
    if (name == "alt") {
        return XCB_MOD_MASK_1;
    }
    if (name == "shift") {
        return XCB_MOD_MASK_SHIFT;
    }
    return 0;
}

// Whether another client holds a passive grab of the key with exactly these modifiers.
std::string grabState(const std::string &display, const std::vector<std::string> &words)
{
    if (words.size() < 2) {
        return "error: grab needs a key";
    }
    const xcb_keysym_t keysym = keysymNamed(words[1]);
    if (keysym == 0) {
        return "error: unknown key " + words[1];
    }
    uint16_t modifiers = 0;
    for (size_t i = 2; i < words.size(); ++i) {
        const uint16_t modifier = modifierNamed(words[i]);
        if (modifier == 0) {
            return "error: unknown modifier " + words[i];
        }
        modifiers |= modifier;
    }
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return "error: no X server";
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
    std::string state = "error: no key code";
    if (codes && codes[0] != XCB_NO_SYMBOL) {
        xcb_generic_error_t *error =
            xcb_request_check(c,
                              xcb_grab_key_checked(c, 1, root, modifiers, codes[0],
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        state = error && error->error_code == 10 /* BadAccess */ ? "held" : "free";
        std::free(error);
        xcb_ungrab_key(c, codes[0], root, modifiers);
        xcb_flush(c);
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    xcb_disconnect(c);
    return state;
}

xcb_atom_t atomNamed(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

std::string closeWindow(const std::string &display, const std::vector<std::string> &words)
{
    if (words.size() != 2) {
        return "error: close needs a window";
    }
    const xcb_window_t window = static_cast<xcb_window_t>(std::stoul(words[1], nullptr, 0));
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return "error: no X server";
    }
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atomNamed(c, "WM_PROTOCOLS");
    message.data.data32[0] = atomNamed(c, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_generic_error_t *error =
        xcb_request_check(c,
                          xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                 reinterpret_cast<const char *>(&message)));
    const std::string answer = error ? "error: no such window" : "ok";
    std::free(error);
    xcb_disconnect(c);
    return answer;
}

// The root window's pixels in a rectangle, as the screen shows them. Read in bands, so no
// single reply comes near the server's request size limit.
std::string grabRoot(const std::string &display, const std::vector<std::string> &words)
{
    if (words.size() != 6) {
        return "error: screenshot needs x y width height file";
    }
    int x = 0, y = 0, width = 0, height = 0;
    try {
        x = std::stoi(words[1]);
        y = std::stoi(words[2]);
        width = std::stoi(words[3]);
        height = std::stoi(words[4]);
    } catch (const std::exception &) {
        return "error: screenshot needs numbers";
    }
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return "error: no X server";
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > screen->width_in_pixels
        || y + height > screen->height_in_pixels || screen->root_depth != 24) {
        xcb_disconnect(c);
        return "error: not a rectangle of the 24-bit root";
    }
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<size_t>(width) * height * 3);
    constexpr int band = 64;
    for (int top = y; top < y + height; top += band) {
        const int rows = std::min(band, y + height - top);
        xcb_get_image_reply_t *image = xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<int16_t>(x),
                          static_cast<int16_t>(top), static_cast<uint16_t>(width),
                          static_cast<uint16_t>(rows), ~0u),
            nullptr);
        if (!image || xcb_get_image_data_length(image) < width * rows * 4) {
            std::free(image);
            xcb_disconnect(c);
            return "error: the server gave no image";
        }
        const uint8_t *data = xcb_get_image_data(image);
        for (int i = 0; i < width * rows; ++i) {
            // 32 bits per pixel, little-endian BGRX, as the test server lays out depth 24.
            pixels.push_back(data[i * 4 + 2]);
            pixels.push_back(data[i * 4 + 1]);
            pixels.push_back(data[i * 4]);
        }
        std::free(image);
    }
    xcb_disconnect(c);
    FILE *out = std::fopen(words[5].c_str(), "wb");
    if (!out) {
        return "error: cannot write " + words[5];
    }
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    const bool written = std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written ? "ok" : "error: cannot write " + words[5];
}

std::string compositing(const std::string &display)
{
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return "error: no X server";
    }
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atomNamed(c, "_NET_WM_CM_S0")), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    xcb_disconnect(c);
    return owned ? "yes" : "no";
}

} // namespace

int main(int argc, char **argv)
{
    ostrel::test::XSessionOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-window-manager") == 0) {
            options.windowManager = ostrel::test::WindowManager::none;
        } else {
            std::fprintf(stderr, "usage: %s [--no-window-manager]\n", argv[0]);
            return 2;
        }
    }
    try {
        ostrel::test::XSession session(options);
        std::cout << "DISPLAY " << session.display() << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
            std::istringstream in(line);
            std::vector<std::string> words;
            for (std::string word; in >> word;) {
                words.push_back(word);
            }
            if (words.empty()) {
                continue;
            }
            if (words[0] == "quit") {
                break;
            }
            if (words[0] == "grab") {
                std::cout << grabState(session.display(), words) << std::endl;
            } else if (words[0] == "close") {
                std::cout << closeWindow(session.display(), words) << std::endl;
            } else if (words[0] == "compositing") {
                std::cout << compositing(session.display()) << std::endl;
            } else if (words[0] == "screenshot") {
                std::cout << grabRoot(session.display(), words) << std::endl;
            } else if (words[0] == "stop-window-manager") {
                session.stopWindowManager();
                std::cout << "ok" << std::endl;
            } else if (words[0] == "start-window-manager") {
                session.startWindowManager();
                std::cout << "ok" << std::endl;
            } else {
                std::cout << "error: unknown command " << words[0] << std::endl;
            }
        }
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
