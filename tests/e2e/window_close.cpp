// What a window manager sends a window when the user clicks its close
// button. Xvfb has no window manager, so the tests send it themselves. Kept
// apart from the tests, as Xlib's names clash with Allegro's.
#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

bool SendCloseRequest(const std::string& display, const std::string& window) {
  ::Display* x = XOpenDisplay(display.c_str());
  if (!x) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::strtoul(window.c_str(), nullptr, 0);
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
  XFlush(x);
  XCloseDisplay(x);
  return sent != 0;
}
