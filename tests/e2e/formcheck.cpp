// formcheck: samples a screenshot of the settings dialog against its form description. Outside
// every control the form shows its face colour (also inside the bevels and group boxes), inside
// the colour panel it is black, every bevel has its edge, and every label has its text inside
// its own box (its ink stays within a pixel of the box; below it, room for descenders). The
// title's grey shadow shows beside its black text.
// Usage: formcheck SHOT.ppm CLIENT_X CLIENT_Y R G B   (the face colour); exit 1 on a mismatch.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "settings/settingsform.h"

namespace {

struct Rgb {
    int R = 0, G = 0, B = 0;
};

struct Image {
    int Width = 0, Height = 0;
    std::vector<unsigned char> Bytes;
    Rgb At(int x, int y) const {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return {-999, -999, -999};
        const auto* p = &Bytes[(static_cast<std::size_t>(y) * Width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

bool ReadPpm(const char* path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    // Header fields, skipping the comment lines a converter may put between them.
    auto field = [&in] {
        std::string token;
        while (in >> token && token[0] == '#') in.ignore(1 << 20, '\n');
        return token;
    };
    const std::string magic = field();
    image.Width = std::atoi(field().c_str());
    image.Height = std::atoi(field().c_str());
    const int maxValue = std::atoi(field().c_str());
    if (magic != "P6" || maxValue != 255 || image.Width <= 0 || image.Height <= 0) return false;
    in.get();
    image.Bytes.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
    in.read(reinterpret_cast<char*>(image.Bytes.data()),
            static_cast<std::streamsize>(image.Bytes.size()));
    return static_cast<bool>(in);
}

int Distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
}

struct Box {
    int Left, Top, Right, Bottom;  // right and bottom excluded
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    Box Grown(int by) const { return {Left - by, Top - by, Right + by, Bottom + by}; }
};

class Checker {
  public:
    Checker(const Image& shot, int originX, int originY) : Shot(shot), X0(originX), Y0(originY) {}

    Rgb At(int x, int y) const { return Shot.At(X0 + x, Y0 + y); }

    void Fail(const std::string& what, int x, int y) {
        if (++FailureCount <= 20) {
            const Rgb c = At(x, y);
            std::printf("FAIL %s at %d,%d: %d,%d,%d\n", what.c_str(), x, y, c.R, c.G, c.B);
        }
    }
    int Failures() const { return FailureCount; }

  private:
    const Image& Shot;
    int X0, Y0;
    int FailureCount = 0;
};

Box BoxOf(const ControlDesc& c, int dx = 0, int dy = 0) {
    return {c.Left + dx, c.Top + dy, c.Left + dx + c.Width, c.Top + dy + c.Height};
}

// Where a label may have ink: its box, a pixel around it, and descenders below it.
Box InkArea(const Box& b) {
    return {b.Left - 1, b.Top - 1, b.Right + 1, b.Bottom + 4};
}

// The parts of a parent's area that its children cover, as seen from outside them: bevels and
// group boxes cover only their edges (and the group's caption and items), so the face inside
// them is checked too.
std::vector<std::vector<bool>> Covered(const FormDesc& form, std::string_view parent, int dx,
                                       int dy, int width, int height) {
    std::vector<std::vector<bool>> covered(static_cast<std::size_t>(width),
                                           std::vector<bool>(static_cast<std::size_t>(height)));
    auto mark = [&](const Box& b, const Box* hole = nullptr) {
        for (int x = std::max(0, b.Left); x < std::min(width, b.Right); ++x)
            for (int y = std::max(0, b.Top); y < std::min(height, b.Bottom); ++y)
                if (hole == nullptr || !hole->Contains(x, y))
                    covered[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)] = true;
    };
    for (const auto& c : form.Controls) {
        if (c.Parent != parent || c.Kind == ControlKind::ColorDialog) continue;
        const Box b = BoxOf(c, dx, dy);
        switch (c.Kind) {
            case ControlKind::Frame: {
                const Box inside = b.Grown(-3);
                mark(b.Grown(1), &inside);
                break;
            }
            case ControlKind::RadioGroup: {
                const Box inside{b.Left + 3, b.Top + form.FontHeight + 2, b.Right - 3,
                                 b.Bottom - 3};
                mark(b.Grown(1), &inside);
                mark({b.Left + 7, b.Top, b.Right, b.Bottom});  // caption and items
                break;
            }
            case ControlKind::Label:
                mark(InkArea(b));
                break;
            default:
                mark(b.Grown(1));
                break;
        }
    }
    return covered;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: formcheck SHOT.ppm CLIENT_X CLIENT_Y R G B\n");
        return 2;
    }
    Image shot;
    if (!ReadPpm(argv[1], shot)) {
        std::fprintf(stderr, "cannot read %s as a binary PPM\n", argv[1]);
        return 2;
    }
    const FormDesc& form = SettingsForm;
    Checker check(shot, std::atoi(argv[2]), std::atoi(argv[3]));
    const Rgb face{std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};
    const Rgb black{0, 0, 0};
    constexpr int kSame = 12;
    int faceSamples = 0, panelSamples = 0;

    // The form's face, inside the bevels and group boxes too.
    auto formCovered = Covered(form, "", 0, 0, form.ClientWidth, form.ClientHeight);
    for (int x = 0; x < form.ClientWidth; ++x)
        for (int y = 0; y < form.ClientHeight; ++y) {
            if (formCovered[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)]) continue;
            ++faceSamples;
            if (Distance(check.At(x, y), face) > kSame) check.Fail("not the face colour", x, y);
        }

    // The colour panel: black inside its two-pixel bevel, around its controls.
    for (const auto& panel : form.Controls) {
        if (panel.Kind != ControlKind::Panel) continue;
        const Box outer = BoxOf(panel);
        const Box inner = outer.Grown(-panel.BevelWidth);
        auto covered =
            Covered(form, panel.Name, outer.Left, outer.Top, form.ClientWidth, form.ClientHeight);
        for (int x = inner.Left; x < inner.Right; ++x)
            for (int y = inner.Top; y < inner.Bottom; ++y) {
                if (covered[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)]) continue;
                ++panelSamples;
                if (Distance(check.At(x, y), black) > kSame) check.Fail("panel not black", x, y);
            }
        const int mid = (outer.Left + outer.Right) / 2;
        if (Distance(check.At(mid, outer.Top), face) <= kSame)
            check.Fail("panel without its lowered edge", mid, outer.Top);
    }

    for (const auto& c : form.Controls) {
        int dx = 0, dy = 0;
        if (!c.Parent.empty()) {
            const ControlDesc* parent = FindControl(form, c.Parent);
            dx = parent->Left;
            dy = parent->Top;
        }
        const Box b = BoxOf(c, dx, dy);
        if (c.Kind == ControlKind::Frame) {
            const int mid = (b.Left + b.Right) / 2;
            if (Distance(check.At(mid, b.Top), face) <= kSame)
                check.Fail(std::string(c.Name) + " without its edge", mid, b.Top);
            continue;
        }
        if (c.Kind != ControlKind::Label) continue;
        // Text is sparse: the colour most of the box shows is the one it stands on.
        std::map<std::tuple<int, int, int>, int> counts;
        for (int x = b.Left; x < b.Right; ++x)
            for (int y = b.Top; y < b.Bottom; ++y) {
                const Rgb p = check.At(x, y);
                ++counts[{p.R, p.G, p.B}];
            }
        const auto most =
            std::max_element(counts.begin(), counts.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        const Rgb background{std::get<0>(most->first), std::get<1>(most->first),
                             std::get<2>(most->first)};
        int ink = 0, grey = 0, dark = 0;
        const Box area = InkArea(b);
        for (int x = area.Left; x < area.Right; ++x)
            for (int y = area.Top; y < area.Bottom; ++y) {
                const Rgb p = check.At(x, y);
                if (Distance(p, background) > 60) ++ink;
                if (Distance(p, Rgb{128, 128, 128}) <= 24) ++grey;
                if (Distance(p, black) <= 40) ++dark;
            }
        if (ink < 10)
            check.Fail(std::string(c.Name) + " shows no text (" + std::to_string(ink) + " pixels)",
                       b.Left, b.Top);
        if (c.Name == "titleLabel" && (grey < 10 || dark < 10))
            check.Fail("title without its grey shadow or black text (grey " + std::to_string(grey) +
                           ", black " + std::to_string(dark) + ")",
                       b.Left, b.Top);
    }
    std::printf("%d face samples, %d panel samples, %d failures\n", faceSamples, panelSamples,
                check.Failures());
    return check.Failures() == 0 ? 0 : 1;
}
