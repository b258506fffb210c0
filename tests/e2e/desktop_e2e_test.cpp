// The real program on a real X server with a window manager (Xvfb and
// Openbox), on a laptop's screen and on a small one: after start-up, after
// each window is closed or iconified and shown again, and while each of the
// main dialogs is open, every frame the window manager draws around the
// program's windows, title bar included, lies inside the screen's available
// area, the main window and the log window tiling the desk as the program
// places them. Pictures of the screen go to the build's shots/windows/.
//
// While a dialog, a message box or a file dialog is open it stands above the
// help box, which stays on top of the program's other windows, so that its
// buttons can be reached, while the help box stays above the main window; the
// help box is back on top once it has closed, and stays there however often a
// person clicks in the program's windows. It stays on top of its own
// program's windows only: a dialog of a second instance, another program's
// window in use, stand above it. The picture opens beside the log window. A start on a file that cannot be read shows its
// box, and once it is answered every frame lies on the screen as after a
// normal start.
//
// The test acts as a person does: clicks on title bars and buttons, keys
// typed through the X server's test extension, and the request a task bar
// sends to show an iconified window. It is skipped with a message where Xvfb
// or Openbox are missing. Each test has an X server of its own, on a display
// the server picks, and its server, window manager and programs end with it,
// even when it crashes; a test that loses its server fails with a message.
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

// Xlib's macros (Status, None, Bool) come after every Qt header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::optional<fs::path> FindProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin:/usr/sbin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// The first line written to `fd`, without its end; empty when the writer
// closed it first or nothing came in time.
std::string ReadLine(int fd, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    std::string line;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        if (c == '\n') return line;
        line += c;
    }
}

// Xlib ends the process when its connection breaks, once this handler has
// run (a handler that returns ends it too). A test whose X server went away
// fails here with a message, after `endTest` has ended its children and
// removed its folders, instead of crashing later.
class LostServer {
public:
    static void Watch(const std::string& display, std::function<void()> endTest)
    {
        display_ = display;
        endTest_ = std::move(endTest);
        XSetIOErrorHandler(&Handler);
    }
    static void Forget() { endTest_ = nullptr; }

private:
    static int Handler(Display*)
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::fprintf(stderr, "FAILED %s.%s: the connection to the X server %s was lost (did Xvfb end?)\n",
                     test ? test->test_suite_name() : "", test ? test->name() : "", display_.c_str());
        std::fflush(stderr);
        if (endTest_) endTest_();
        std::_Exit(1);
    }

    static inline std::string display_;
    static inline std::function<void()> endTest_;
};

struct Frame {
    Window frame = 0;   // the window manager's frame, a child of the root
    Window client = 0;  // the program's window inside it
    std::string title;
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Frame& o) const
    {
        return frame == o.frame && x == o.x && y == o.y && w == o.w && h == o.h && title == o.title;
    }
};

struct ScreenSize {
    int w, h;
};

void PrintTo(const ScreenSize& s, std::ostream* out) { *out << s.w << "x" << s.h; }

class Desktop : public ::testing::TestWithParam<ScreenSize> {
protected:
    void SetUp() override
    {
        const auto xvfb = FindProgram("Xvfb");
        const auto openbox = FindProgram("openbox");
        if (!xvfb || !openbox) GTEST_SKIP() << "Xvfb or openbox is not installed (scripts/setup.sh installs them)";
        // The server picks a free display itself and names it once it takes
        // connections: two tests started together never share one.
        int pipeFds[2];
        ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
        ChildOptions options;
        options.log = logs_ / "Xvfb.log";
        options.passFd = pipeFds[1];
        const bool started = xserver_.Start({xvfb->string(), "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                                             std::to_string(GetParam().w) + "x" + std::to_string(GetParam().h) + "x24",
                                             "-nolisten", "tcp"},
                                            {}, options);
        ::close(pipeFds[1]);
        const std::string number = started ? ReadLine(pipeFds[0], 30s) : std::string();
        ::close(pipeFds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start: " << ReadFileBytes(logs_ / "Xvfb.log");
        display_ = ":" + number;
        dpy_ = XOpenDisplay(display_.c_str());
        ASSERT_TRUE(dpy_) << "no connection to Xvfb on " << display_;
        LostServer::Watch(display_, [this] {
            for (ChildProcess* child : {&second_, &program_, &wm_, &xserver_}) child->Stop();
            std::fprintf(stderr, "Xvfb's output:\n%s\n", ReadFileBytes(logs_ / "Xvfb.log").c_str());
            folder_.reset();
            std::error_code ec;
            fs::remove_all(logs_.path(), ec);
        });
        // A window may go between the listing of the windows and the reading
        // of its properties (a box that closes): the read then fails, and
        // Xlib's default handler would end the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        int event, error, major, minor;
        ASSERT_TRUE(XTestQueryExtension(dpy_, &event, &error, &major, &minor)) << "no XTEST extension";
        ChildOptions wmOptions;
        wmOptions.log = logs_ / "openbox.log";
        ASSERT_TRUE(wm_.Start({openbox->string()}, {"DISPLAY=" + display_}, wmOptions));
        // The window manager is there once it has named itself on the root.
        const Atom check = XInternAtom(dpy_, "_NET_SUPPORTING_WM_CHECK", False);
        ASSERT_TRUE(WaitFor([&] { return RootWindowProperty(check).has_value(); }, 10s)) << "openbox did not start";
    }

    void TearDown() override
    {
        second_.Stop();
        program_.Stop();
        if (dpy_) {
            LostServer::Forget();
            XCloseDisplay(dpy_);
            dpy_ = nullptr;
        }
        wm_.Stop();
        xserver_.Stop();
    }

    std::optional<long> RootWindowProperty(Atom atom)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy_, DefaultRootWindow(dpy_), atom, 0, 1, False, AnyPropertyType, &type, &format,
                               &count, &after, &data) != Success || !data || count == 0) {
            if (data) XFree(data);
            return std::nullopt;
        }
        long v = *reinterpret_cast<long*>(data);
        XFree(data);
        return v;
    }

    template <class F>
    bool WaitFor(F condition, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (condition()) return true;
            std::this_thread::sleep_for(50ms);
        }
        return condition();
    }

    std::string Title(Window w)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        const Atom netName = XInternAtom(dpy_, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(dpy_, "UTF8_STRING", False);
        std::string title;
        if (XGetWindowProperty(dpy_, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
                Success &&
            data)
            title.assign(reinterpret_cast<char*>(data), count);
        if (data) XFree(data);
        return title;
    }

    long Pid(Window w)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        long pid = 0;
        const Atom atom = XInternAtom(dpy_, "_NET_WM_PID", False);
        if (XGetWindowProperty(dpy_, w, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
                Success &&
            data && count == 1)
            pid = *reinterpret_cast<long*>(data);
        if (data) XFree(data);
        return pid;
    }

    // The program's client window inside a frame (the one that has WM_STATE).
    Window ClientOf(Window w, int depth = 0)
    {
        const Atom state = XInternAtom(dpy_, "WM_STATE", False);
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy_, w, state, 0, 0, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
                Success &&
            type != None) {
            if (data) XFree(data);
            return w;
        }
        if (data) XFree(data);
        if (depth > 3) return 0;
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        Window found = 0;
        if (XQueryTree(dpy_, w, &root, &parent, &children, &n)) {
            for (unsigned int i = 0; i < n && !found; ++i) found = ClientOf(children[i], depth + 1);
            if (children) XFree(children);
        }
        return found;
    }

    // The frames of the program's windows shown now, by title.
    std::map<std::string, Frame> Frames()
    {
        std::map<std::string, Frame> out;
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XSync(dpy_, False);
        if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) return out;
        for (unsigned int i = 0; i < n; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(dpy_, children[i], &a) || a.map_state != IsViewable) continue;
            const Window client = ClientOf(children[i]);
            if (!client || Pid(client) != watched_->Pid()) continue;
            Frame f{children[i], client, Title(client), a.x, a.y, a.width + 2 * a.border_width,
                    a.height + 2 * a.border_width};
            if (a.width <= 1 || a.height <= 1) continue;
            out[f.title] = f;
        }
        if (children) XFree(children);
        return out;
    }

    static std::string TitleStarting(const std::map<std::string, Frame>& frames, const std::string& start)
    {
        for (const auto& [title, f] : frames)
            if (title.rfind(start, 0) == 0) return title;
        return {};
    }

    // Waits until the windows whose titles start with `expected` are shown
    // and the frames have not moved for a while.
    std::map<std::string, Frame> Settled(const std::vector<std::string>& expected, const std::vector<std::string>& gone = {})
    {
        std::map<std::string, Frame> last;
        int stable = 0;
        WaitFor(
            [&] {
                std::map<std::string, Frame> now = Frames();
                bool all = true;
                for (const std::string& e : expected) all = all && !TitleStarting(now, e).empty();
                for (const std::string& g : gone) all = all && TitleStarting(now, g).empty();
                stable = all && now == last ? stable + 1 : 0;
                last = std::move(now);
                return stable >= 8;
            },
            40s);
        return last;
    }

    void Click(int x, int y)
    {
        XTestFakeMotionEvent(dpy_, -1, x, y, 0);
        XTestFakeButtonEvent(dpy_, 1, True, 0);
        XTestFakeButtonEvent(dpy_, 1, False, 0);
        XFlush(dpy_);
        std::this_thread::sleep_for(200ms);
    }
    void Keys(std::initializer_list<KeySym> held, KeySym key)
    {
        for (KeySym k : held) XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), True, 0);
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, key), True, 0);
        XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, key), False, 0);
        for (KeySym k : held) XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), False, 0);
        XFlush(dpy_);
        std::this_thread::sleep_for(300ms);
    }
    // A click in the middle of a window's title bar makes it the active one.
    void Activate(const Frame& f)
    {
        XWindowAttributes a;
        int cx = 0, cy = 0;
        Window child;
        XGetWindowAttributes(dpy_, f.client, &a);
        XTranslateCoordinates(dpy_, f.client, DefaultRootWindow(dpy_), 0, 0, &cx, &cy, &child);
        Click(f.x + f.w / 2, f.y + std::max(2, (cy - f.y) / 2));
        EXPECT_TRUE(WaitActive(f.client)) << "\"" << f.title << "\" did not become the active window";
    }

    // Keys go to the window the window manager has made active, which a
    // loaded machine may do only a while after the click or after the
    // window above it has closed.
    bool WaitActive(Window client)
    {
        const Atom active = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
        return WaitFor([&] { return RootWindowProperty(active) == static_cast<long>(client); }, 30s);
    }

    // Reads the frames again until `ok` holds for them or a generous while
    // has passed: a window manager slowed down by a loaded machine may still
    // be framing and moving windows after the frames stood still for a
    // moment. A frame that stays wrong still fails the check that follows.
    void WaitForFrames(std::map<std::string, Frame>& frames,
                       const std::function<bool(const std::map<std::string, Frame>&)>& ok)
    {
        std::vector<std::string> titles;
        for (const auto& [title, f] : frames) titles.push_back(title);
        WaitFor(
            [&] {
                if (ok(frames)) return true;
                frames = Settled(titles);
                return false;
            },
            30s);
    }

    void Shot(const std::string& name)
    {
        const int w = GetParam().w, h = GetParam().h;
        XImage* image = XGetImage(dpy_, DefaultRootWindow(dpy_), 0, 0, w, h, AllPlanes, ZPixmap);
        ASSERT_TRUE(image);
        QImage picture(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xFF000000u);
        XDestroyImage(image);
        const fs::path dir = fs::path(CAROTIX_SHOTS_DIR) / "windows";
        fs::create_directories(dir);
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        picture.save(QString::fromStdString((dir / ("desktop-" + size + "-" + name + ".png")).string()), "PNG");
    }

    // The screen's available area as the window manager announces it.
    void WorkArea(int& x, int& y, int& w, int& h)
    {
        x = y = 0;
        w = GetParam().w;
        h = GetParam().h;
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        const Atom atom = XInternAtom(dpy_, "_NET_WORKAREA", False);
        if (XGetWindowProperty(dpy_, DefaultRootWindow(dpy_), atom, 0, 4, False, XA_CARDINAL, &type, &format, &count,
                               &after, &data) == Success &&
            data && count == 4) {
            const long* v = reinterpret_cast<long*>(data);
            x = static_cast<int>(v[0]);
            y = static_cast<int>(v[1]);
            w = static_cast<int>(v[2]);
            h = static_cast<int>(v[3]);
        }
        if (data) XFree(data);
    }

    // What a task bar does when its entry of an iconified window is clicked.
    void ShowFromTaskBar(Window client)
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = client;
        e.xclient.message_type = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2;  // from a pager or task bar
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy_, DefaultRootWindow(dpy_), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XFlush(dpy_);
    }

    // Whether one of the program's pop-up menus shows (a window the window
    // manager does not frame).
    bool PopupShown()
    {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        bool shown = false;
        XSync(dpy_, False);
        if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) return false;
        for (unsigned int i = 0; i < n && !shown; ++i) {
            XWindowAttributes a;
            shown = XGetWindowAttributes(dpy_, children[i], &a) && a.map_state == IsViewable && a.override_redirect &&
                    Pid(children[i]) == watched_->Pid();
        }
        if (children) XFree(children);
        return shown;
    }

    // Keys pressed one after the other (menu navigation).
    void Tap(KeySym key, int times)
    {
        for (int i = 0; i < times; ++i) {
            XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, key), True, 0);
            XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, key), False, 0);
            XFlush(dpy_);
            std::this_thread::sleep_for(60ms);
        }
    }

    // Every frame inside the screen; the main window and the log window on
    // the desk as the program places them (4 pixels from the screen's edges,
    // side by side).
    void ExpectOnScreen(std::map<std::string, Frame>& frames, const std::string& when)
    {
        int ax, ay, aw, ah;
        WorkArea(ax, ay, aw, ah);
        WaitForFrames(frames, [&](const std::map<std::string, Frame>& now) {
            for (const auto& [title, f] : now)
                if (!(f.x >= ax && f.y >= ay && f.x + f.w <= ax + aw && f.y + f.h <= ay + ah)) return false;
            const std::string mainTitle = TitleStarting(now, "Carotix");
            const std::string logTitle = TitleStarting(now, "Coupe(s)");
            if (mainTitle.empty() || logTitle.empty()) return true;
            const Frame& m = now.at(mainTitle);
            const Frame& l = now.at(logTitle);
            return m.x == ax + 4 && m.y == ay + 4 && m.y + m.h == ay + ah - 4 && m.x + m.w == l.x && l.y == ay + 4 &&
                   l.x + l.w == ax + aw - 4;
        });
        for (const auto& [title, f] : frames) {
            EXPECT_TRUE(f.x >= ax && f.y >= ay && f.x + f.w <= ax + aw && f.y + f.h <= ay + ah)
                << when << ": the frame of \"" << title << "\" is at " << f.x << "," << f.y << " " << f.w << "x" << f.h;
        }
        const std::string mainTitle = TitleStarting(frames, "Carotix");
        const std::string logTitle = TitleStarting(frames, "Coupe(s)");
        if (mainTitle.empty() || logTitle.empty()) return;
        const Frame& m = frames.at(mainTitle);
        const Frame& l = frames.at(logTitle);
        EXPECT_EQ(m.x, ax + 4) << when;
        EXPECT_EQ(m.y, ay + 4) << when;
        EXPECT_EQ(m.y + m.h, ay + ah - 4) << when;
        EXPECT_EQ(m.x + m.w, l.x) << when << ": the main window ends where the log window begins";
        EXPECT_EQ(l.y, ay + 4) << when;
        EXPECT_EQ(l.x + l.w, ax + aw - 4) << when;
    }

    // Starts the built program from a program folder, on `file` when given
    // (as `instance` when given: a second instance of it).
    void StartProgram(const TempProgramDir& folder, const fs::path& file, ChildProcess* instance = nullptr)
    {
        if (!instance) instance = &program_;
        const fs::path exe = folder / "carotix";
        if (!fs::exists(exe)) fs::copy_file(fs::path(CAROTIX_PROGRAM_DIR) / "carotix", exe);
        // The X11 keyboard library reads a string past its end under ASan's
        // strict string checks, before any code of ours runs: not checked here.
        const std::string asan =
            std::string(std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "detect_leaks=0") +
            ":strict_string_checks=0";
        std::vector<std::string> args{exe.string()};
        if (!file.empty()) args.push_back(file.string());
        ChildOptions options;
        options.dir = folder.path();
        options.log = logs_ / (instance == &program_ ? "carotix.log" : "carotix-2.log");
        ASSERT_TRUE(instance->Start(args, {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "ASAN_OPTIONS=" + asan, "LC_ALL=C.UTF-8"},
                                   options));
    }

    std::vector<Atom> WindowState(Window client)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::vector<Atom> states;
        const Atom atom = XInternAtom(dpy_, "_NET_WM_STATE", False);
        if (XGetWindowProperty(dpy_, client, atom, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
                Success &&
            data)
            states.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + count);
        if (data) XFree(data);
        return states;
    }

    // A modal window of the program (a dialog or a box waiting for an
    // answer), as the window manager knows it.
    std::optional<Frame> ModalFrame()
    {
        const Atom modal = XInternAtom(dpy_, "_NET_WM_STATE_MODAL", False);
        for (const auto& [title, f] : Frames()) {
            const std::vector<Atom> states = WindowState(f.client);
            if (std::find(states.begin(), states.end(), modal) != states.end()) return f;
        }
        return std::nullopt;
    }

    // The client windows of the program's instances from the bottom of the
    // window manager's stacking order to its top.
    std::vector<Window> Stacking()
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::vector<Window> order;
        XSync(dpy_, False);
        const Atom atom = XInternAtom(dpy_, "_NET_CLIENT_LIST_STACKING", False);
        if (XGetWindowProperty(dpy_, DefaultRootWindow(dpy_), atom, 0, 1024, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) == Success &&
            data)
            for (unsigned long i = 0; i < count; ++i) {
                const Window w = static_cast<Window>(reinterpret_cast<long*>(data)[i]);
                if (Pid(w) == program_.Pid() || Pid(w) == second_.Pid() ||
                    std::find(others_.begin(), others_.end(), w) != others_.end())
                    order.push_back(w);
            }
        if (data) XFree(data);
        return order;
    }

    // Whether `upper` stands above `lower` in the stacking order.
    bool StandsAbove(Window upper, Window lower)
    {
        const std::vector<Window> order = Stacking();
        const auto u = std::find(order.begin(), order.end(), upper);
        const auto l = std::find(order.begin(), order.end(), lower);
        return u != order.end() && l != order.end() && u > l;
    }

    // Whether every pair (upper, lower) stands so, read again and again for
    // two seconds in a row (`runs` readings): a click the window manager
    // handles late, or a restacking that follows it, would break the run.
    // With `broken`, the first reading where a pair stands the other way
    // round, even for a moment, is noted there after `when`.
    bool KeepsStanding(const std::vector<std::pair<Window, Window>>& pairs, std::string* broken = nullptr,
                       const std::string& when = "", int runs = 40)
    {
        const auto name = [&](Window w) {
            const std::string t = Title(w);
            return t.empty() ? std::string("another program's window") : "\"" + t + "\"";
        };
        int run = 0;
        return WaitFor(
            [&] {
                bool all = true;
                for (const auto& [upper, lower] : pairs) {
                    all = all && StandsAbove(upper, lower);
                    if (broken && broken->empty() && StandsAbove(lower, upper))
                        *broken = when + ": " + name(lower) + " above " + name(upper);
                }
                run = all ? run + 1 : 0;
                return run >= runs;
            },
            60s);
    }

    // A point of a window's client area that the frame `avoid` leaves free.
    std::optional<QPoint> FreePoint(const Frame& f, const Frame& avoid)
    {
        int cx = 0, cy = 0;
        Window child;
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy_, f.client, &a)) return std::nullopt;
        XTranslateCoordinates(dpy_, f.client, DefaultRootWindow(dpy_), 0, 0, &cx, &cy, &child);
        const QRect client(cx, cy, a.width, a.height), covered(avoid.x, avoid.y, avoid.w, avoid.h);
        for (const QPoint p : {QPoint(client.left() + 2, client.bottom() - 24), QPoint(client.left() + 2, client.top() + 120),
                               QPoint(client.right() - 24, client.bottom() - 24)})
            if (client.contains(p) && !covered.contains(p)) return p;
        return std::nullopt;
    }

    // The push buttons (and boxes of the same look) of the lowest row of a
    // window, from left to right, in screen coordinates: rectangles outlined
    // in one grey or in the focus colour, found in a picture of the window.
    std::vector<QRect> BottomButtons(const Frame& f)
    {
        XWindowAttributes a;
        int cx = 0, cy = 0;
        Window child;
        if (!XGetWindowAttributes(dpy_, f.client, &a)) return {};
        XTranslateCoordinates(dpy_, f.client, DefaultRootWindow(dpy_), 0, 0, &cx, &cy, &child);
        const int x0 = std::max(0, cx), y0 = std::max(0, cy);
        const int w = std::min(a.width, GetParam().w - x0), h = std::min(a.height, GetParam().h - y0);
        if (w <= 0 || h <= 0) return {};
        XImage* image = XGetImage(dpy_, DefaultRootWindow(dpy_), x0, y0, w, h, AllPlanes, ZPixmap);
        if (!image) return {};
        // Horizontal lines of one dark colour, at least as long as a small
        // button: the top and bottom edges of the outlines.
        struct Line {
            int x1, x2, y;
            unsigned long colour;
        };
        std::vector<Line> lines;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w;) {
                const unsigned long c = XGetPixel(image, x, y);
                int end = x;
                while (end < w && XGetPixel(image, end, y) == c) ++end;
                const int luma = static_cast<int>(((c >> 16) & 255) * 3 + ((c >> 8) & 255) * 6 + (c & 255)) / 10;
                if (end - x >= 24 && luma < 200) lines.push_back({x, end, y, c});
                x = end;
            }
        }
        XDestroyImage(image);
        std::vector<QRect> boxes;
        for (const Line& top : lines)
            for (const Line& bottom : lines)
                if (bottom.x1 == top.x1 && bottom.x2 == top.x2 && bottom.colour == top.colour &&
                    bottom.y - top.y >= 14 && bottom.y - top.y <= 50)
                    boxes.push_back(QRect(QPoint(x0 + top.x1, y0 + top.y), QPoint(x0 + top.x2 - 1, y0 + bottom.y)));
        int lowest = 0;
        for (const QRect& b : boxes) lowest = std::max(lowest, b.bottom());
        std::vector<QRect> row;
        for (const QRect& b : boxes)
            if (b.bottom() >= lowest - 8) row.push_back(b);
        std::sort(row.begin(), row.end(), [](const QRect& l, const QRect& r) { return l.left() < r.left(); });
        row.erase(std::unique(row.begin(), row.end(), [](const QRect& l, const QRect& r) { return l.left() == r.left(); }),
                  row.end());
        return row;
    }

    // Opens a window with keys and waits for it: its frame.
    std::optional<Frame> OpenWith(const std::function<void()>& keys)
    {
        const std::map<std::string, Frame> before = Frames();
        keys();
        std::string title;
        WaitFor(
            [&] {
                for (const auto& [t, f] : Frames())
                    if (!before.count(t)) title = t;
                return !title.empty();
            },
            20s);
        if (title.empty()) return std::nullopt;
        const auto now = Settled({title});
        if (!now.count(title)) return std::nullopt;
        return now.at(title);
    }

    // A menu item by the menu's letter and the item's rank.
    void MenuItem(KeySym menu, int rank)
    {
        Keys({XK_Alt_L}, menu);
        WaitFor([&] { return PopupShown(); }, 30s);
        Tap(XK_Down, rank);
        Tap(XK_Return, 1);
    }

    // The built program's folder: it goes only after tear-down has ended the
    // programs, which write into it until they end.
    const TempProgramDir& ProgramFolder()
    {
        if (!folder_) folder_ = std::make_unique<TempProgramDir>(true, true);
        return *folder_;
    }

    std::unique_ptr<TempProgramDir> folder_;
    TempDir logs_;
    Display* dpy_ = nullptr;
    std::string display_;
    ChildProcess xserver_, wm_, program_, second_;
    // The instance whose windows Frames() and PopupShown() look at.
    ChildProcess* watched_ = &program_;
    // Windows of other programs that Stacking() reports too.
    std::vector<Window> others_;
};

TEST_P(Desktop, EveryFrameLiesInsideTheScreenAfterStartAndAfterEachWindowIsShownAgain)
{
    // The built program in a temporary program folder, on its sample.
    const TempProgramDir& folder = ProgramFolder();
    StartProgram(folder, folder / "Exemples" / "exemple.crx");

    // Start-up: the main window, the log window beside it, the help box.
    auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the main window did not show";
    ASSERT_FALSE(TitleStarting(frames, "Coupe(s)").empty()) << "the log window did not show";
    ASSERT_FALSE(TitleStarting(frames, "Aide").empty()) << "the help box did not show";
    Shot("start");
    ExpectOnScreen(frames, "after start-up");

    // The log window closed by the window manager (Alt+F4), then shown again
    // by Enter in the collection.
    Activate(frames.at(TitleStarting(frames, "Coupe(s)")));
    Keys({XK_Alt_L}, XK_F4);
    frames = Settled({"Carotix", "Aide"}, {"Coupe(s)"});
    ASSERT_TRUE(TitleStarting(frames, "Coupe(s)").empty()) << "the log window did not close";
    Activate(frames.at(TitleStarting(frames, "Carotix")));
    Keys({}, XK_Return);
    frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    ASSERT_FALSE(TitleStarting(frames, "Coupe(s)").empty()) << "Enter in the collection did not show the log window";
    Shot("log-shown-again");
    ExpectOnScreen(frames, "after the log window is shown again");

    // The help box closed, then shown again with its topics by Aide > Index.
    Activate(frames.at(TitleStarting(frames, "Aide")));
    Keys({XK_Alt_L}, XK_F4);
    frames = Settled({"Carotix", "Coupe(s)"}, {"Aide"});
    ASSERT_TRUE(TitleStarting(frames, "Aide").empty()) << "the help box did not close";
    Activate(frames.at(TitleStarting(frames, "Carotix")));
    MenuItem(XK_d, 0);
    frames = Settled({"Carotix", "Coupe(s)", "Aide", "Rubriques d'aide"});
    ASSERT_FALSE(TitleStarting(frames, "Rubriques d'aide").empty()) << "Aide > Index did not show the topics";
    Shot("help-shown-again");
    ExpectOnScreen(frames, "after the help box and its topics are shown");
    WaitForFrames(frames, [](const std::map<std::string, Frame>& now) {
        const std::string help = TitleStarting(now, "Aide"), topics = TitleStarting(now, "Rubriques d'aide");
        if (help.empty() || topics.empty()) return false;
        const Frame &h = now.at(help), &t = now.at(topics);
        return t.x + t.w == h.x && t.y == h.y;
    });
    const Frame& help = frames.at(TitleStarting(frames, "Aide"));
    const Frame& topics = frames.at(TitleStarting(frames, "Rubriques d'aide"));
    EXPECT_EQ(topics.x + topics.w, help.x) << "the topics sit against the help box's left side";
    EXPECT_EQ(topics.y, help.y);

    // The main window iconified by its title bar's button, then shown again
    // from the task bar.
    {
        const Frame main = frames.at(TitleStarting(frames, "Carotix"));
        Click(main.x + main.w - 43, main.y + 9);
        // The windows that belong to it go with it.
        frames = Settled({}, {"Carotix"});
        ASSERT_TRUE(TitleStarting(frames, "Carotix").empty()) << "the main window was not iconified";
        ShowFromTaskBar(main.client);
        frames = Settled({"Carotix", "Coupe(s)"});
        ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the main window did not show again";
        Shot("main-shown-again");
        ExpectOnScreen(frames, "after the main window is shown again");
    }

    // The dialogs of the menus, opened with the keyboard (Alt and the
    // menu's letter, then the item's rank) on the first ouvrage, each
    // closed with Escape; the help windows closed first, for the pictures.
    for (const char* help : {"Rubriques d'aide", "Aide"}) {
        Activate(frames.at(TitleStarting(frames, help)));
        Keys({XK_Alt_L}, XK_F4);
        frames = Settled({"Carotix", "Coupe(s)"}, {help});
    }
    Activate(frames.at(TitleStarting(frames, "Carotix")));
    Tap(XK_Down, 1);
    Tap(XK_Up, 1);
    const struct {
        KeySym menu;
        int rank;  // -1: the last item
        const char* name;
    } dialogs[] = {{XK_g, 2, "drawing-options"}, {XK_g, 5, "title-block"}, {XK_g, 7, "code-models"},
                   {XK_p, 0, "metafile-export"}, {XK_p, 2, "print"},       {XK_p, 7, "level-search"},
                   {XK_u, 5, "spreadsheet"},   {XK_u, -1, "keywords"}};
    for (const auto& d : dialogs) {
        const auto before = Settled({"Carotix", "Coupe(s)"});
        ASSERT_TRUE(WaitActive(before.at(TitleStarting(before, "Carotix")).client)) << "the main window is not active";
        Keys({XK_Alt_L}, d.menu);
        ASSERT_TRUE(WaitFor([&] { return PopupShown(); }, 30s)) << "the menu of " << d.name << " did not open";
        if (d.rank < 0) Tap(XK_Up, 1);  // from the first item round to the last
        else Tap(XK_Down, d.rank);
        Tap(XK_Return, 1);
        std::map<std::string, Frame> now;
        std::string title;
        WaitFor(
            [&] {
                now = Frames();
                for (const auto& [t, f] : now)
                    if (!before.count(t)) title = t;
                return !title.empty();
            },
            20s);
        ASSERT_FALSE(title.empty()) << d.name << " did not show";
        now = Settled({"Carotix", "Coupe(s)", title});
        Shot(d.name);
        ExpectOnScreen(now, std::string("while ") + d.name + " is open");
        Keys({}, XK_Escape);
        Settled({"Carotix", "Coupe(s)"}, {title});
    }
}

// With the help box shown, as at a first start: each dialog, box and file
// dialog stands above it while it is open, where a click on its "Annuler"
// reaches it and closes it; the help box is back on top afterwards.
TEST_P(Desktop, DialogsStandAboveTheHelpBoxAndCloseByTheirCancelButton)
{
    const TempProgramDir& folder = ProgramFolder();
    StartProgram(folder, folder / "Exemples" / "exemple.crx");
    auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    ASSERT_FALSE(TitleStarting(frames, "Aide").empty()) << "the help box did not show";
    ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the main window did not show";
    const Window help = frames.at(TitleStarting(frames, "Aide")).client;
    const Window main = frames.at(TitleStarting(frames, "Carotix")).client;
    EXPECT_TRUE(WaitFor([&] { return StandsAbove(help, main); }, 20s)) << "the help box stays on top of the program's windows";
    Activate(frames.at(TitleStarting(frames, "Carotix")));

    // A change to the collection, so that closing it asks whether to save.
    const auto addOuvrage = [&] {
        MenuItem(XK_u, 0);
        ASSERT_TRUE(WaitFor([&] { return !TitleStarting(Frames(), "Nouvel ouvrage").empty(); }, 20s));
        Keys({}, XK_z);
        Keys({}, XK_Return);
        ASSERT_TRUE(WaitFor([&] { return TitleStarting(Frames(), "Nouvel ouvrage").empty(); }, 20s));
    };
    const struct {
        const char* name;
        std::function<void()> open;
        int cancel;  // the rank of "Annuler" in the lowest row of buttons; -1: the last one
    } dialogs[] = {
        {"new-ouvrage", [&] { MenuItem(XK_u, 0); }, -1},   // "Nouvel ouvrage...": Ok, Annuler
        {"record-sheet", [&] { MenuItem(XK_u, 3); }, 1},   // the ouvrage's sheet: Ok, Annuler, database buttons
        {"save-as",  // "Enregistrer &sous...": file types, Annuler
         [&] {
             Keys({XK_Alt_L}, XK_f);
             WaitFor([&] { return PopupShown(); }, 30s);
             Tap(XK_s, 1);
         },
         -1},
        {"save-question",
         [&] {
             addOuvrage();
             Keys({XK_Control_L}, XK_F4);
         },
         -1},  // Oui, Non, Annuler
    };
    for (const auto& d : dialogs) {
        ASSERT_TRUE(WaitActive(main)) << "the main window is not active before " << d.name;
        const std::optional<Frame> dialog = OpenWith(d.open);
        ASSERT_TRUE(dialog) << d.name << " did not show";
        Shot(std::string("over-help-") + d.name);
        EXPECT_TRUE(WaitFor([&] { return StandsAbove(dialog->client, help); }, 20s))
            << d.name << " (\"" << dialog->title << "\") lies under the help box";
        // Its buttons once it has drawn them.
        std::vector<QRect> buttons;
        WaitFor([&] { return static_cast<int>((buttons = BottomButtons(*dialog)).size()) > d.cancel; }, 20s);
        ASSERT_GT(static_cast<int>(buttons.size()), d.cancel) << "no row of buttons seen in " << d.name;
        const QRect cancel = d.cancel < 0 ? buttons.back() : buttons[static_cast<std::size_t>(d.cancel)];
        Click(cancel.center().x(), cancel.center().y());
        frames = Settled({"Carotix", "Coupe(s)", "Aide"}, {dialog->title});
        ASSERT_TRUE(TitleStarting(frames, dialog->title).empty()) << "a click on \"Annuler\" did not close " << d.name;
        EXPECT_TRUE(WaitFor([&] { return StandsAbove(help, main); }, 30s)) << "the help box is not back on top after " << d.name;
    }
}

// Two instances of one installation, each started with its help box at the
// same place. The second opens "Nouvel ouvrage": its dialog stands above the
// first's help box, which stays on top of its own program's windows only,
// and a click on its "Annuler" reaches it. Back in the first instance, its
// help box is on top of its windows again.
TEST_P(Desktop, ASecondInstancesDialogStandsAboveTheFirstInstancesHelpBox)
{
    const TempProgramDir& folder = ProgramFolder();
    StartProgram(folder, folder / "Exemples" / "exemple.crx");
    auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    ASSERT_FALSE(TitleStarting(frames, "Aide").empty()) << "the first instance's help box did not show";
    ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the first instance's main window did not show";
    const Frame help = frames.at(TitleStarting(frames, "Aide"));
    const Frame main = frames.at(TitleStarting(frames, "Carotix"));

    watched_ = &second_;
    StartProgram(folder, folder / "Exemples" / "exemple.crx", &second_);
    frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the second instance's main window did not show";
    Activate(frames.at(TitleStarting(frames, "Carotix")));
    const std::optional<Frame> dialog = OpenWith([&] { MenuItem(XK_u, 0); });
    ASSERT_TRUE(dialog) << "the second instance's \"Nouvel ouvrage\" did not show";
    Shot("second-instance-dialog");
    ASSERT_TRUE(QRect(dialog->x, dialog->y, dialog->w, dialog->h).intersects(QRect(help.x, help.y, help.w, help.h)))
        << "the dialog does not lie where the first instance's help box is";
    EXPECT_TRUE(WaitFor([&] { return StandsAbove(dialog->client, help.client); }, 20s))
        << "the second instance's \"" << dialog->title << "\" lies under the first instance's help box";
    std::vector<QRect> buttons;
    WaitFor([&] { return !(buttons = BottomButtons(*dialog)).empty(); }, 20s);
    ASSERT_FALSE(buttons.empty()) << "no row of buttons seen in the second instance's dialog";
    Click(buttons.back().center().x(), buttons.back().center().y());
    frames = Settled({"Carotix", "Coupe(s)"}, {dialog->title});
    ASSERT_TRUE(TitleStarting(frames, dialog->title).empty()) << "a click on \"Annuler\" did not close the dialog";

    watched_ = &program_;
    ShowFromTaskBar(main.client);
    EXPECT_TRUE(WaitFor([&] { return StandsAbove(help.client, main.client); }, 30s))
        << "the first instance's help box is not on top of its main window once it is in use again";
    Shot("first-instance-again");
}

// The help box in use, at a first start: it stays above the main window and
// the log window however often a person clicks in them (the window manager
// raises the clicked window at each click, the focused one too); while
// "Nouvel ouvrage" is open it lies under that dialog, yet above the main
// window, clicked or not; once the dialog has closed it is above them again.
// The picture opens beside the log window and stays on top as well. A
// window of another program, once in use, comes above them.
TEST_P(Desktop, TheHelpBoxStaysAboveItsProgramsWindowsUnderItsDialogsAndBelowOtherPrograms)
{
    const TempProgramDir& folder = ProgramFolder();
    StartProgram(folder, folder / "Exemples" / "exemple.crx");
    auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    for (const char* title : {"Carotix", "Coupe(s)", "Aide"})
        ASSERT_FALSE(TitleStarting(frames, title).empty()) << "\"" << title << "\" did not show";
    const Frame help = frames.at(TitleStarting(frames, "Aide"));
    const Frame main = frames.at(TitleStarting(frames, "Carotix"));
    const Frame log = frames.at(TitleStarting(frames, "Coupe(s)"));
    EXPECT_TRUE(KeepsStanding({{help.client, main.client}, {help.client, log.client}}))
        << "the help box is not on top of the program's windows after start-up";

    for (const Frame* window : {&main, &log, &main}) {
        const std::optional<QPoint> at = FreePoint(*window, help);
        ASSERT_TRUE(at) << "no point of \"" << window->title << "\" lies outside the help box";
        for (int click = 0; click < 3; ++click) {
            Click(at->x(), at->y());
            if (click == 0) {
                EXPECT_TRUE(WaitActive(window->client)) << "\"" << window->title << "\" did not become active";
            }
        }
        Shot(std::string("help-after-clicks-in-") + (window == &log ? "log" : "main"));
        EXPECT_TRUE(KeepsStanding({{help.client, window->client}}))
            << "the help box lies under \"" << window->title << "\" after three clicks in it";
    }

    // "Nouvel ouvrage" open, then clicks in the main window, which it blocks.
    ASSERT_TRUE(WaitActive(main.client));
    const std::optional<Frame> dialog = OpenWith([&] { MenuItem(XK_u, 0); });
    ASSERT_TRUE(dialog) << "\"Nouvel ouvrage\" did not show";
    Shot("help-under-dialog");
    EXPECT_TRUE(KeepsStanding({{dialog->client, help.client}, {help.client, main.client}}))
        << "while \"" << dialog->title << "\" is open the help box does not lie under it and above the main window";
    if (const std::optional<QPoint> at = FreePoint(main, help)) {
        for (int click = 0; click < 3; ++click) Click(at->x(), at->y());
        EXPECT_TRUE(KeepsStanding({{dialog->client, help.client}, {help.client, main.client}}))
            << "after clicks in the main window, the help box does not lie under the dialog and above the main window";
    }
    Keys({}, XK_Escape);
    frames = Settled({"Carotix", "Coupe(s)", "Aide"}, {dialog->title});
    ASSERT_TRUE(TitleStarting(frames, dialog->title).empty()) << "Escape did not close the dialog";
    EXPECT_TRUE(KeepsStanding({{help.client, main.client}, {help.client, log.client}}))
        << "the help box is not back on top once the dialog has closed";

    // The picture: beside the log window, under the main window's menus and
    // tool bars, and on top like the help box.
    ASSERT_TRUE(WaitActive(main.client));
    const std::optional<Frame> picture = OpenWith([&] { MenuItem(XK_a, 6); });
    ASSERT_TRUE(picture) << "Affichage > Afficher l'image did not show the picture";
    EXPECT_LE(picture->x + picture->w, log.x) << "the picture lies over the log window";
    EXPECT_GE(picture->x + picture->w, log.x - 8) << "the picture does not lie beside the log window";
    if (const std::optional<QPoint> at = FreePoint(log, help))
        for (int click = 0; click < 3; ++click) Click(at->x(), at->y());
    Shot("picture-beside-log");
    EXPECT_TRUE(KeepsStanding({{picture->client, main.client}, {picture->client, log.client}, {help.client, log.client}}))
        << "the picture or the help box lies under the program's windows after clicks in the log window";

    // Another program's window over the help box, made the active one by a
    // click, as a person brings a terminal forward.
    const Window other = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), help.x, help.y, 200, 160, 0, 0, 0x336699);
    XStoreName(dpy_, other, "autre programme");
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = help.x;
    hints.y = help.y;
    hints.width = 200;
    hints.height = 160;
    XSetWMNormalHints(dpy_, other, &hints);
    XMapWindow(dpy_, other);
    XFlush(dpy_);
    others_.push_back(other);
    ASSERT_TRUE(WaitFor([&] { return StandsAbove(other, main.client) || StandsAbove(main.client, other); }, 30s))
        << "the window manager did not take the other program's window";
    XWindowAttributes a;
    int ox = 0, oy = 0;
    Window child;
    ASSERT_TRUE(WaitFor([&] { return XGetWindowAttributes(dpy_, other, &a) && a.map_state == IsViewable; }, 30s));
    XTranslateCoordinates(dpy_, other, DefaultRootWindow(dpy_), 0, 0, &ox, &oy, &child);
    Click(ox + 100, oy + 80);
    Shot("other-program-over-help");
    EXPECT_TRUE(KeepsStanding({{other, help.client}, {other, picture->client}}))
        << "the other program's window in use lies under the help box or the picture";
    XDestroyWindow(dpy_, other);
    XFlush(dpy_);
}

// While a dialog is open, clicks in the log window, which the dialog blocks:
// the window manager raises the log window at each of them and the program
// hears of no click; its help box must still stand above the log window, under
// the dialog. Openbox raises a modal window together with its owner's other
// windows, in their order, so raising the dialog back over the help box leaves
// the clicked log window over the help box too.
TEST_P(Desktop, TheHelpBoxStaysAboveTheLogWindowWhenItIsClickedUnderADialog)
{
    const TempProgramDir& folder = ProgramFolder();
    StartProgram(folder, folder / "Exemples" / "exemple.crx");
    auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
    for (const char* title : {"Carotix", "Coupe(s)", "Aide"})
        ASSERT_FALSE(TitleStarting(frames, title).empty()) << "\"" << title << "\" did not show";
    const Frame help = frames.at(TitleStarting(frames, "Aide"));
    const Frame main = frames.at(TitleStarting(frames, "Carotix"));
    const Frame log = frames.at(TitleStarting(frames, "Coupe(s)"));
    const std::optional<QPoint> at = FreePoint(log, help);
    ASSERT_TRUE(at) << "no point of the log window lies outside the help box";
    const struct {
        const char* name;
        std::function<void()> open;
    } dialogs[] = {{"new-ouvrage", [&] { MenuItem(XK_u, 0); }},
                   {"open-file", [&] { Keys({XK_Control_L}, XK_o); }}};
    for (const auto& d : dialogs) {
        Activate(main);
        const std::optional<Frame> dialog = OpenWith(d.open);
        ASSERT_TRUE(dialog) << d.name << " did not show";
        for (int click = 0; click < 3; ++click) Click(at->x(), at->y());
        Shot(std::string("help-under-") + d.name + "-after-clicks-in-log");
        EXPECT_TRUE(KeepsStanding({{dialog->client, help.client}, {help.client, log.client}, {help.client, main.client}}))
            << "after clicks in the log window under " << d.name
            << ", the help box does not lie under the dialog and above the log window";
        Keys({}, XK_Escape);
        frames = Settled({"Carotix", "Coupe(s)", "Aide"}, {dialog->title});
        ASSERT_TRUE(TitleStarting(frames, dialog->title).empty()) << "Escape did not close " << d.name;
    }
}

// Another program's window beside the program's windows, and what becomes of
// the stacking as a person clicks here and there.
class DesktopWithAnotherProgram : public Desktop {
protected:
    // The example started: its main window, log window and help box.
    void StartExample()
    {
        const TempProgramDir& folder = ProgramFolder();
        StartProgram(folder, folder / "Exemples" / "exemple.crx");
        const auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
        for (const char* title : {"Carotix", "Coupe(s)", "Aide"})
            ASSERT_FALSE(TitleStarting(frames, title).empty()) << "\"" << title << "\" did not show";
        main_ = frames.at(TitleStarting(frames, "Carotix"));
        log_ = frames.at(TitleStarting(frames, "Coupe(s)"));
        help_ = frames.at(TitleStarting(frames, "Aide"));
    }

    // Another program's window, placed where asked and managed by the window
    // manager; none when the window manager does not take it.
    Window MapOther(int x, int y, int w, int h)
    {
        const Window other = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), x, y, w, h, 0, 0, 0x336699);
        XStoreName(dpy_, other, "autre programme");
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = x;
        hints.y = y;
        hints.width = w;
        hints.height = h;
        XSetWMNormalHints(dpy_, other, &hints);
        others_.push_back(other);
        // A window mapped while the window manager is still starting may be
        // missed by it: mapped again until it is managed, and shown.
        const auto managed = [&] {
            const std::vector<Window> order = Stacking();
            XWindowAttributes a;
            return std::find(order.begin(), order.end(), other) != order.end() &&
                   XGetWindowAttributes(dpy_, other, &a) && a.map_state == IsViewable;
        };
        for (int attempt = 0; attempt < 6 && !managed(); ++attempt) {
            XUnmapWindow(dpy_, other);
            XMapWindow(dpy_, other);
            XFlush(dpy_);
            WaitFor(managed, 5s);
        }
        return managed() ? other : 0;
    }

    static QPoint TitleBar(const Frame& f) { return {f.x + f.w / 2, f.y + 8}; }

    // A click, then the pairs (upper, lower) that must keep standing so.
    struct Step {
        QPoint click;
        std::vector<std::pair<Window, Window>> stand;
        const char* what;  // the click and what went wrong, for the message
    };
    // Plays the steps in turn; false at the first that fails.
    bool Play(const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            Click(s.click.x(), s.click.y());
            if (!KeepsStanding(s.stand)) {
                ADD_FAILURE() << "after " << s.what;
                return false;
            }
        }
        return true;
    }

    Frame main_, log_, help_;
};

// Another program's window lies under the program's windows, untouched: a
// level of the log opened with a click (its editor is modal), then clicks in
// the log window beside it, in the main window under it and on the log
// window's title bar, which the window manager raises while the program hears
// nothing, then Escape. However the program restacks its windows meanwhile,
// the other window stays under every one of them (the help box included), and
// once the editor has closed the program is idle again.
TEST_P(DesktopWithAnotherProgram, AnUntouchedWindowOfAnotherProgramStaysUnderTheProgramsWindows)
{
    // The other program's window first, so that it lies lowest, where the
    // main window, the log window and the help box will cover it.
    const Window other = MapOther(150, 120, 480, 320);
    ASSERT_NE(other, 0UL) << "the window manager did not take the other program's window";
    ASSERT_NO_FATAL_FAILURE(StartExample());

    // Every reading of the stacking, from now on, until a run of readings
    // has it under `windows`; the first reading that has it above one of
    // them is noted.
    std::string wrong;
    const auto stays = [&](const std::vector<Frame>& windows, const std::string& when) {
        std::vector<std::pair<Window, Window>> pairs;
        for (const Frame& w : windows) pairs.emplace_back(w.client, other);
        KeepsStanding(pairs, &wrong, when, 20);
    };
    stays({main_, log_, help_}, "after start-up");

    // A point of a window's client area that none of `covering` hides.
    const auto freePoint = [&](const Frame& f, const std::vector<Frame>& covering, double fx,
                               double fy) -> std::optional<QPoint> {
        int cx = 0, cy = 0;
        Window child;
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy_, f.client, &a)) return std::nullopt;
        XTranslateCoordinates(dpy_, f.client, DefaultRootWindow(dpy_), 0, 0, &cx, &cy, &child);
        const QPoint p(cx + static_cast<int>(a.width * fx), cy + static_cast<int>(a.height * fy));
        for (const Frame& c : covering)
            if (QRect(c.x, c.y, c.w, c.h).contains(p)) return std::nullopt;
        return p;
    };

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        // A level of the log: its lithological descriptions lie in the left
        // part of the drawing, which the help box may hide in part.
        std::optional<Frame> editor;
        for (const double fx : {0.3, 0.25, 0.35, 0.2, 0.4, 0.45}) {
            const std::optional<QPoint> at = freePoint(log_, {help_}, fx, 0.6);
            if (!at) continue;
            editor = OpenWith([&] { Click(at->x(), at->y()); });
            if (editor && editor->title.find("Niveau") != std::string::npos) break;
            if (editor) {
                Keys({}, XK_Escape);
                Settled({"Carotix", "Coupe(s)", "Aide"}, {editor->title});
            }
            editor.reset();
        }
        ASSERT_TRUE(editor) << "no click on the log opened the level editor";
        stays({main_, log_, help_, *editor}, "with the level editor open");

        const std::optional<QPoint> beside = freePoint(log_, {help_, *editor}, 0.9, 0.9);
        std::optional<QPoint> under;
        for (const double fy : {0.97, 0.9, 0.8})
            if ((under = freePoint(main_, {help_, *editor}, 0.1, fy))) break;
        ASSERT_TRUE(beside && under) << "the editor and the help box hide the log window's corner or the main window";
        QPoint title = TitleBar(log_);
        if (QRect(editor->x, editor->y, editor->w, editor->h).contains(title)) title.setX(log_.x + log_.w - 80);
        const std::pair<QPoint, const char*> clicks[] = {
            {*beside, "after a click in the log window beside the editor"},
            {*under, "after a click in the main window under the editor"},
            {title, "after a click on the log window's title bar"}};
        for (const auto& [at, when] : clicks) {
            Click(at.x(), at.y());
            stays({main_, log_, help_, *editor}, when);
        }

        Keys({}, XK_Escape);
        const auto frames = Settled({"Carotix", "Coupe(s)", "Aide"}, {editor->title});
        ASSERT_TRUE(TitleStarting(frames, editor->title).empty()) << "Escape did not close the level editor";
        stays({main_, log_, help_}, "once the level editor has closed");
        Shot("other-program-under-round-" + std::to_string(round + 1));
    }
    EXPECT_TRUE(wrong.empty()) << "the untouched window of another program came up, " << wrong;

    // No restacking goes on once the windows stand still: the program uses
    // next to no processor time for a while.
    const auto cpuTicks = [&] {
        const std::string stat = ReadFileBytes("/proc/" + std::to_string(program_.Pid()) + "/stat");
        const std::size_t end = stat.rfind(')');
        std::istringstream fields(end == std::string::npos ? std::string() : stat.substr(end + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; fields >> field && i <= 15; ++i)
            if (i >= 14) ticks += std::stol(field);  // user and system time
        return ticks;
    };
    const long before = cpuTicks();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3s);  // the span measured, not a wait for something
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = static_cast<double>(cpuTicks() - before) / static_cast<double>(::sysconf(_SC_CLK_TCK)) / seconds;
    EXPECT_LT(share, 0.1) << "the idle program used " << share * 100 << " % of a processor";
}

// Another program's window that the person clicked over the main window, the
// help box under it, the log window beside it left uncovered: a click on the
// log window's title bar, then in the log window, raise the log window alone;
// the help box does not jump over the other window, which still covers the
// window it belongs to. A click on the main window, where the other window
// leaves it uncovered, brings the program's windows up, the help box too.
TEST_P(DesktopWithAnotherProgram, AWindowOfAnotherProgramClickedOverTheMainWindowStaysOverTheHelpBox)
{
    ASSERT_NO_FATAL_FAILURE(StartExample());
    ASSERT_LT(main_.x + main_.w, help_.x + help_.w) << "the help box does not reach the log window";
    // Over the main window and the help box, short of the main window's
    // bottom, short of the log window.
    const Window other = MapOther(main_.x, main_.y, log_.x - main_.x - 12, main_.h - 90);
    ASSERT_NE(other, 0UL) << "the window manager did not take the other program's window";
    const Window main = main_.client, log = log_.client, help = help_.client;
    Play({{{main_.x + 40, main_.y + main_.h / 2}, {{other, main}, {other, help}},
           "a click on the other program's window, it is not over the main window and the help box"},
          {TitleBar(log_), {{other, help}, {log, other}},
           "a click on the log window's title bar, the help box came over the other program's window"},
          {{log_.x + log_.w - 20, log_.y + log_.h - 20}, {{other, help}, {log, other}},
           "a click in the log window, the help box came over the other program's window"},
          {{main_.x + 40, main_.y + main_.h - 30}, {{main, other}, {help, other}, {help, main}},
           "a click on the main window, the program's windows did not come up, the help box with them"}});
    Shot("other-program-over-the-main-window");
}

// Another program's window that stands above the program's windows, then is
// minimised by its program: the window manager keeps its place in its
// stacking order, where it covers nothing. A click on the log window's title
// bar raises the log window alone; the help box comes back over it.
TEST_P(DesktopWithAnotherProgram, AMinimisedWindowOfAnotherProgramDoesNotKeepTheHelpBoxUnderTheLogWindow)
{
    ASSERT_NO_FATAL_FAILURE(StartExample());
    const Window other = MapOther(40, 60, 300, 200);
    ASSERT_NE(other, 0UL) << "the window manager did not take the other program's window";
    ASSERT_TRUE(Play({{{60, 160}, {{other, log_.client}, {other, help_.client}},
                       "a click on the other program's window, it is not over the program's windows"}}));
    XIconifyWindow(dpy_, other, DefaultScreen(dpy_));
    XFlush(dpy_);
    ASSERT_TRUE(WaitFor([&] { return WindowState(other).size() > 0; }, 10s)) << "the other window was not minimised";
    ASSERT_TRUE(StandsAbove(other, help_.client)) << "the minimised window no longer stands above the program's";
    Play({{TitleBar(log_), {{help_.client, log_.client}},
           "a click on the log window's title bar, a minimised window of another program kept the help box under it"}});
}

INSTANTIATE_TEST_SUITE_P(Screens, DesktopWithAnotherProgram,
                         ::testing::Values(ScreenSize{1280, 800}, ScreenSize{1024, 768}),
                         [](const ::testing::TestParamInfo<ScreenSize>& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

// A start on a file that cannot be read: its box first, answered with a click
// on its button or with a key, then every frame on the screen as after a
// normal start.
TEST_P(Desktop, EveryFrameLiesInsideTheScreenAfterABadFileAtStartUp)
{
    const TempProgramDir& folder = ProgramFolder();
    const std::string sample = ReadFileBytes(folder / "Exemples" / "exemple.crx");
    const struct {
        const char* file;
        std::string bytes;
        KeySym answer;  // NoSymbol: a click on the box's button
    } starts[] = {
        {"vide.crx", "", NoSymbol},
        {"tronque.crx", sample.substr(0, sample.size() / 2), XK_Return},
        {"carte.kml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
         "<Placemark><name>PUITS-1</name><Point><coordinates>-1.68,47.92</coordinates></Point></Placemark>"
         "</Document></kml>\n",
         XK_Escape},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.file);
        WriteFileBytes(folder / start.file, start.bytes);
        StartProgram(folder, folder / start.file);
        std::optional<Frame> box;
        ASSERT_TRUE(WaitFor([&] { return (box = ModalFrame()).has_value(); }, 60s)) << "no box for " << start.file;
        Settled({box->title});
        box = ModalFrame();
        ASSERT_TRUE(box);
        Shot(std::string("bad-start-box-") + start.file);
        if (start.answer == NoSymbol) {
            std::vector<QRect> buttons;
            WaitFor([&] { return !(buttons = BottomButtons(*box)).empty(); }, 20s);
            ASSERT_FALSE(buttons.empty()) << "no button seen in the box";
            Click(buttons.back().center().x(), buttons.back().center().y());
        } else {
            Keys({}, start.answer);
        }
        ASSERT_TRUE(WaitFor([&] { return !ModalFrame(); }, 20s)) << "the box did not close";
        auto frames = Settled({"Carotix", "Coupe(s)", "Aide"});
        ASSERT_FALSE(TitleStarting(frames, "Carotix").empty()) << "the main window did not show";
        Shot(std::string("bad-start-") + start.file);
        ExpectOnScreen(frames, std::string("after the box of a start on ") + start.file);
        program_.Stop();
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, Desktop, ::testing::Values(ScreenSize{1280, 800}, ScreenSize{800, 600}),
                         [](const ::testing::TestParamInfo<ScreenSize>& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

}  // namespace
