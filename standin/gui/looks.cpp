// Materials read from their lines as written, and the view's textures.
#include "looks.h"

#include <algorithm>
#include <charconv>

#include "view.h"

namespace {

// The words of a line after its keyword; a quoted name is one word, quotes
// and all, however it ends.
std::vector<std::string_view> words_of(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (at < text.size()) {
        while (at < text.size() && blank(text[at])) ++at;
        if (at >= text.size()) break;
        std::size_t end = at + 1;
        if (text[at] == '"') {
            while (end < text.size() && text[end] != '"') ++end;
            end = std::min(end + 1, text.size());
        } else {
            while (end < text.size() && !blank(text[end])) ++end;
        }
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// The number in WORD from 0 to 1, or FALLBACK when it is none.
float fraction(std::string_view word, float fallback)
{
    float f = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), f);
    if (error != std::errc{} || end == word.data() || !(f == f)) return fallback;
    return std::clamp(f, 0.0f, 1.0f);
}

std::uint32_t channel(float f)
{
    return static_cast<std::uint32_t>(std::lround(f * 255.0f));
}

}  // namespace

Material material_of(std::string_view text)
{
    Material m;
    const std::vector<std::string_view> words = words_of(text);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "rgb" && i + 3 < words.size()) {
            const float fallback[3] = {static_cast<float>(m.rgb & 0xffu) / 255,
                                       static_cast<float>((m.rgb >> 8) & 0xffu) / 255,
                                       static_cast<float>((m.rgb >> 16) & 0xffu) / 255};
            m.rgb = channel(fraction(words[i + 1], fallback[0])) | channel(fraction(words[i + 2], fallback[1])) << 8 |
                    channel(fraction(words[i + 3], fallback[2])) << 16 | 0xffu << 24;
        } else if (words[i] == "trans" && i + 1 < words.size()) {
            m.opacity = 1 - fraction(words[i + 1], 0);
        }
    }
    return m;
}

// ---- The view's looks: each part's as the model gives them, and the textures by name

void View::dress(Part &part, const Looks &looks)
{
    if (looks) looks(*part.object, part.looks);
    if (part.looks.texture.empty()) return;
    const auto found = textures_.find(part.looks.texture);
    if (found != textures_.end()) part.texture = found->second;
}

void View::set_texture(const std::string &name, std::shared_ptr<const Texture> texture)
{
    if (texture && (texture->width <= 0 || texture->height <= 0 ||
                    texture->texels.size() != static_cast<std::size_t>(texture->width) * texture->height))
        texture = nullptr;
    for (Part &part : parts_)
        if (part.looks.texture == name) part.texture = texture;
    textures_[name] = std::move(texture);
}

std::vector<std::string> View::wanted_textures() const
{
    std::vector<std::string> names;
    for (const Part &part : parts_) {
        const std::string &name = part.looks.texture;
        if (!name.empty() && textures_.count(name) == 0 && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}
