// ::standin::view, the main window's link to view.h.  Each subcommand first
// brings the view up to date with the scene, once for each change the host
// numbers (cheap when only positions or the selection changed).
//
//   sync                          the model's size and selection: a dict
//   draw PHOTO AZ EL SCALE CX CY CZ LEFT TOP RIGHT BOTTOM ?OPTION VALUE ...?
//                                 draws into the photo image PHOTO; options
//                                 -style wireframe|shaded|edges, -perspective B,
//                                 -grid B, -grain N, -line N, -mark N, -slot N
//                                 (which of the window's views it is, 0 to 3),
//                                 -edges selected|all (shaded with edges: the
//                                 selection's edges only, the default, or all);
//                                 returns {box {X0 Y0 X1 Y1} width W height H}
//   fit AZ EL LEFT TOP RIGHT BOTTOM ?selection? ?perspective?
//                                 {SCALE CX CY CZ} that fit the model, or the
//                                 selection ({} when nothing is selected), in
//                                 perspective or not
//   axes AZ EL                    {RX RY RZ UX UY UZ}: the screen's right and up in the model
//   pick objects|surfaces|vertices X Y ?TOLERANCE?   {ID ?INDEX?} under (X, Y), or {}
//   box objects|surfaces|vertices X0 Y0 X1 Y1        adds what the rectangle holds
//                                 to the selection; returns how many items
//                                 (a pick and a box look in the view drawn
//                                 where they begin)
//   selected objects|surfaces|vertices ID ?INDEX?    whether the item is selected
//   point ID INDEX ?SLOT?         {X Y}: where a vertex was last drawn in the
//                                 view SLOT (the last drawn)
//   shown SLOT                    {X0 Y0 X1 Y1}: the box of what is selected as
//                                 that view last drew it, or {}
//   textures                      the names of the textures the objects name
//                                 that were neither given nor refused since
//                                 the model was opened
//   texture NAME PHOTO            the texels of the photo image PHOTO for the
//                                 texture NAME (copied: the photo may go);
//                                 PHOTO {}: NAME cannot be read, and its
//                                 surfaces keep their materials' colours
//   memory                        bytes the view holds (for the tests and
//                                 the benchmarks)
//   colours                       the view's colours the window shows too: a
//                                 dict of names and #rrggbb
#include "view_command.h"

#include <tk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

#include "acscene.h"
#include "error.h"
#include "host.h"
#include "selection.h"
#include "subcommands.h"
#include "view.h"

using namespace standin;

namespace {

SelectMode mode_word(Tcl_Obj *word)
{
    return static_cast<SelectMode>(select_mode_named(Tcl_GetString(word)));
}

SelectMode host_mode()
{
    return static_cast<SelectMode>(host().select_mode());
}

// The model's materials as the view draws them, read once for each scene
// loaded.
const std::vector<Material> &materials_of(const AcDocument &document, std::uint64_t serial)
{
    static std::uint64_t read_for = 0;
    static std::vector<Material> materials;
    if (read_for != serial || materials.size() != document.model.materials.size()) {
        materials.clear();
        for (const std::string &text : document.model.materials) materials.push_back(material_of(text));
        read_for = serial;
    }
    return materials;
}

// An object's token's argument as a number; FALLBACK when it is none.
float token_number(const ac::Object &source, const char *key, std::size_t arg, float fallback)
{
    const ac::Token *token = source.find(key);
    if (token == nullptr || arg >= token->args.size()) return fallback;
    const char *text = token->args[arg].c_str();
    char *end = nullptr;
    const float f = std::strtof(text, &end);
    return end != text && std::isfinite(f) ? f : fallback;
}

// Each surface's material in the part's palette, the palette holding those
// the object uses, each once.  Surfaces mostly follow others of their
// material: the last one found is tried first.
void surface_materials(const ac::Object &source, const std::vector<Material> &materials, std::size_t surfaces,
                       PartLooks &looks)
{
    std::unordered_map<std::uint32_t, std::uint16_t> slot;
    std::uint32_t last = 0;
    std::uint16_t last_slot = 0xffff;
    for (std::size_t s = 0; s < surfaces; ++s) {
        const std::uint32_t mat = s < source.surfs.size() ? source.surfs[s].mat : 0;
        if (mat != last || last_slot == 0xffff) {
            auto [found, added] = slot.try_emplace(mat, static_cast<std::uint16_t>(looks.palette.size()));
            if (added && looks.palette.size() < 0xffff) {
                looks.palette.push_back(mat < materials.size() ? materials[mat] : Material{});
                looks.transparent = looks.transparent || looks.palette.back().opacity < 1;
            } else if (added) {
                found->second = 0;
            }
            last = mat;
            last_slot = found->second;
        }
        if (looks.palette.size() > 1 && looks.of_surface.empty()) looks.of_surface.assign(s, 0);
        if (!looks.of_surface.empty()) looks.of_surface.push_back(last_slot);
    }
}

// How an object read from a model looks: its surfaces' materials, and its
// texture with each corner's place on it (the file's u and v times texrep,
// plus texoff).
void object_looks(const Host &h, const Object &o, PartLooks &looks)
{
    const AcDocument *document = h.document();
    const AcDocument::Link *link = document ? document->link_of(o) : nullptr;
    if (link == nullptr) return;
    const ac::Object &source = *link->source;
    surface_materials(source, materials_of(*document, h.scene().serial()), o.surfaces.size(), looks);
    looks.texture = source.text("texture");
    if (looks.texture.empty()) return;
    const float repeat[2] = {token_number(source, "texrep", 0, 1), token_number(source, "texrep", 1, 1)};
    const float offset[2] = {token_number(source, "texoff", 0, 0), token_number(source, "texoff", 1, 0)};
    looks.uv.reserve(2 * source.refs.size());
    for (const ac::Ref &r : source.refs) {
        looks.uv.push_back(document->model.u(r) * repeat[0] + offset[0]);
        looks.uv.push_back(document->model.v(r) * repeat[1] + offset[1]);
    }
}

// The view follows the scene, with the surfaces' kinds and looks as the
// model file gave them for objects read from one: once for each change
// the host numbers, however many subcommands a click or a redraw makes.
View &synced(View &view)
{
    const Host &h = host();
    view.sync(
        h.scene(), [](const Object &o, std::vector<SurfaceKind> &kinds) { surface_kinds(host(), o, kinds); },
        [](const Object &o, PartLooks &looks) { object_looks(host(), o, looks); }, h.tree_version(),
        h.selection_version());
    return view;
}

// Reads the camera's words: the angles, then (with scale) the scale and centre, then the viewport.
Camera camera_of(Tcl_Obj *const *words, bool with_scale)
{
    Camera c;
    c.azimuth = number_word(*words++);
    c.elevation = number_word(*words++);
    if (with_scale) {
        c.scale = number_word(*words++);
        for (double &k : c.centre) k = number_word(*words++);
    }
    c.left = number_word(*words++);
    c.top = number_word(*words++);
    c.right = std::max(c.left + 1, number_word(*words++));
    c.bottom = std::max(c.top + 1, number_word(*words++));
    return c;
}

Tcl_Obj *pair(const char *key, Tcl_Obj *value, Tcl_Obj *list)
{
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(key, -1));
    Tcl_ListObjAppendElement(nullptr, list, value);
    return list;
}

// The model's size, the selection mode, the objects holding a selection and
// how many items are selected.
Tcl_Obj *summary(const View &view)
{
    const Host &h = host();
    const SelectMode mode = host_mode();
    Tcl_Obj *selected = Tcl_NewListObj(0, nullptr);
    std::size_t objects = 0, vertices = 0, surfaces = 0, items = 0;
    if (mode == kSelectObjects) {
        for (const Object *o : h.selected_objects()) Tcl_ListObjAppendElement(nullptr, selected, Tcl_NewIntObj(o->id));
        items = h.selected_objects().size();
    }
    h.scene().for_each_object([&](const Object &o) {
        ++objects;
        vertices += o.vertices.size();
        surfaces += o.surfaces.size();
        std::size_t marked = 0;
        if (mode == kSelectSurfaces) {
            for (const Surface &s : o.surfaces) marked += s.selected;
        } else if (mode == kSelectVertices) {
            o.vertices.for_each_span([&](const HostVertex *records, std::size_t n) {
                const VertexState *states = states_of_run(records, n);
                for (std::size_t i = 0; i < n; ++i) marked += states[i].selected;
            });
        }
        if (marked > 0) Tcl_ListObjAppendElement(nullptr, selected, Tcl_NewIntObj(o.id));
        items += marked;
    });
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    pair("objects", wide(objects), out);
    pair("vertices", wide(vertices), out);
    pair("surfaces", wide(surfaces), out);
    pair("edges", wide(view.edge_count()), out);
    pair("mode", Tcl_NewStringObj(select_mode_word(mode), -1), out);
    pair("selected", selected, out);
    return pair("items", wide(items), out);
}

DrawOptions draw_options(int count, Tcl_Obj *const *words, Camera &camera)
{
    DrawOptions options;
    options.mode = host_mode();
    if (count % 2 != 0) throw Error("options come in pairs: -name value");
    for (int i = 0; i < count; i += 2) {
        const std::string name = Tcl_GetString(words[i]);
        Tcl_Obj *value = words[i + 1];
        if (name == "-style") {
            const std::string style = Tcl_GetString(value);
            if (style != "wireframe" && style != "shaded" && style != "edges")
                throw expected("wireframe, shaded or edges", style);
            options.style = style == "wireframe" ? Style::wireframe
                            : style == "shaded"  ? Style::shaded
                                                 : Style::shaded_edges;
        } else if (name == "-perspective") {
            camera.perspective = boolean_word(value);
        } else if (name == "-grid") {
            options.grid = boolean_word(value);
        } else if (name == "-grain") {
            camera.grain = static_cast<int>(std::clamp(integer_word(value), 1L, 16L));
        } else if (name == "-line") {
            options.line = static_cast<int>(std::clamp(integer_word(value), 1L, 8L));
        } else if (name == "-mark") {
            options.mark = static_cast<int>(std::clamp(integer_word(value), 0L, 16L));
        } else if (name == "-slot") {
            camera.slot = static_cast<int>(std::clamp(integer_word(value), 0L, long{View::kSlots - 1}));
        } else if (name == "-edges") {
            const std::string edges = Tcl_GetString(value);
            if (edges != "selected" && edges != "all") throw expected("selected or all", edges);
            options.all_edges = edges == "all";
        } else {
            throw expected("-style, -perspective, -grid, -grain, -line, -mark, -slot or -edges", name);
        }
    }
    return options;
}

// Draws into the photo image and shows it enlarged by the grain.
Tcl_Obj *draw(Args &args)
{
    Tcl_Interp *interp = args.interp;
    const std::string name = args.str(0);
    Tk_PhotoHandle photo = Tk_FindPhoto(interp, name.c_str());
    if (photo == nullptr) throw Error("no photo image " + in_quotes(name));
    Camera camera = camera_of(args.objv + 1, true);
    const DrawOptions options = draw_options(args.count - 11, args.objv + 11, camera);
    const Image &image = synced(args.owner_as<View>()).draw(camera, options);
    Tk_PhotoImageBlock block{};
    block.pixelPtr = reinterpret_cast<unsigned char *>(const_cast<std::uint32_t *>(image.pixels.data()));
    block.width = image.width;
    block.height = image.height;
    block.pitch = image.width * 4;
    block.pixelSize = 4;
    block.offset[0] = 0;
    block.offset[1] = 1;
    block.offset[2] = 2;
    block.offset[3] = 3;
    const int grain = std::clamp(camera.grain, 1, 16);
    if (Tk_PhotoSetSize(interp, photo, image.width * grain, image.height * grain) != TCL_OK ||
        Tk_PhotoPutZoomedBlock(interp, photo, &block, 0, 0, image.width * grain, image.height * grain, grain, grain, 1,
                               1, TK_PHOTO_COMPOSITE_SET) != TCL_OK)
        throw Error(Tcl_GetStringResult(interp));
    Tcl_Obj *box[4];
    for (int k = 0; k < 4; ++k) box[k] = Tcl_NewIntObj(image.box[k]);
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    pair("box", image.box[0] <= image.box[2] ? Tcl_NewListObj(4, box) : Tcl_NewListObj(0, nullptr), out);
    pair("width", Tcl_NewIntObj(image.width * grain), out);
    return pair("height", Tcl_NewIntObj(image.height * grain), out);
}

Tcl_Obj *fit(Args &args)
{
    bool selection = false, perspective = false;
    for (int i = 6; i < args.count; ++i) {
        const std::string word = args.str(i);
        if (word != "selection" && word != "perspective") throw expected("selection or perspective", word);
        (word == "selection" ? selection : perspective) = true;
    }
    Camera c = camera_of(args.objv, false);
    c.perspective = perspective;
    if (!synced(args.owner_as<View>()).fit(c, selection, host_mode()) && selection) return Tcl_NewListObj(0, nullptr);
    Tcl_Obj *out[] = {Tcl_NewDoubleObj(c.scale), Tcl_NewDoubleObj(c.centre[0]), Tcl_NewDoubleObj(c.centre[1]),
                      Tcl_NewDoubleObj(c.centre[2])};
    return Tcl_NewListObj(4, out);
}

Tcl_Obj *pick(Args &args)
{
    const SelectMode kind = mode_word(args.objv[0]);
    const double x = args.number(1), y = args.number(2);
    const double tolerance = args.count > 3 ? args.number(3) : 5;
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    View &view = synced(args.owner_as<View>());
    view.use_slot(view.slot_at(x, y));
    const Hit hit = view.pick(kind, x, y, tolerance);
    if (hit.object == nullptr) return out;
    Tcl_ListObjAppendElement(nullptr, out, Tcl_NewIntObj(hit.object->id));
    if (kind != kSelectObjects) Tcl_ListObjAppendElement(nullptr, out, wide(hit.index));
    return out;
}

// Adds what the rectangle holds to the selection, switching to its mode as
// standin pick does: an object in object mode around what is hidden or
// locked below it.
Tcl_Obj *box(Args &args)
{
    const SelectMode kind = mode_word(args.objv[0]);
    const double corners[4] = {args.number(1), args.number(2), args.number(3), args.number(4)};
    SelectionChange change(SelectionChange::How::add, kind);
    std::vector<Object *> objects;
    View &view = synced(args.owner_as<View>());
    view.use_slot(view.slot_at(corners[0], corners[1]));
    view.in_box(kind, corners, [&](Object &o, std::uint32_t index) {
        if (kind == kSelectObjects) {
            objects.push_back(&o);
        } else {
            change.items.emplace_back(&o, index);
        }
    });
    if (kind == kSelectObjects) change.objects = objects_around(objects, true, change.left_out);
    host().select(change);
    return wide(objects.size() + change.items.size());
}

Tcl_Obj *selected(Args &args)
{
    const SelectMode kind = mode_word(args.objv[0]);
    const Object &o = args.object(1);
    if (kind == kSelectObjects) return Tcl_NewBooleanObj(o.selected);
    if (args.count < 3) throw args.usage("surfaces|vertices ID INDEX");
    const long index = args.integer(2);
    const std::size_t n = kind == kSelectSurfaces ? o.surfaces.size() : o.vertices.size();
    if (index < 0 || static_cast<std::size_t>(index) >= n)
        throw Error("object " + std::to_string(o.id) + " has no " + (kind == kSelectSurfaces ? "surface " : "vertex ") +
                    std::to_string(index));
    if (host_mode() != kind) return Tcl_NewBooleanObj(0);
    return Tcl_NewBooleanObj(kind == kSelectSurfaces ? o.surfaces[index].selected : is_selected(o.vertices[index]));
}

Tcl_Obj *point(Args &args)
{
    const long id = args.integer(0), index = args.integer(1);
    const Object *o = host().scene().find(static_cast<int>(id));
    View &view = synced(args.owner_as<View>());
    if (args.count > 2) view.use_slot(static_cast<int>(args.integer(2)));
    double x, y;
    if (o != nullptr && index >= 0 && view.point(*o, static_cast<std::uint32_t>(index), x, y)) {
        Tcl_Obj *xy[] = {Tcl_NewDoubleObj(x), Tcl_NewDoubleObj(y)};
        return Tcl_NewListObj(2, xy);
    }
    throw Error("no vertex " + std::to_string(index) + " of object " + std::to_string(id) + " in view");
}

Tcl_Obj *shown(Args &args)
{
    View &view = synced(args.owner_as<View>());
    view.use_slot(static_cast<int>(args.integer(0)));
    double box[4];
    if (!view.selection_box(host_mode(), box)) return Tcl_NewListObj(0, nullptr);
    Tcl_Obj *out[4];
    for (int k = 0; k < 4; ++k) out[k] = Tcl_NewIntObj(static_cast<int>(std::lround(box[k])));
    return Tcl_NewListObj(4, out);
}

Tcl_Obj *axes(Args &args)
{
    const Axes a = camera_axes(args.number(0), args.number(1));
    Tcl_Obj *out[6];
    for (int k = 0; k < 3; ++k) {
        out[k] = Tcl_NewDoubleObj(a.right[k]);
        out[k + 3] = Tcl_NewDoubleObj(a.up[k]);
    }
    return Tcl_NewListObj(6, out);
}

Tcl_Obj *textures(Args &args)
{
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    for (const std::string &name : synced(args.owner_as<View>()).wanted_textures())
        Tcl_ListObjAppendElement(nullptr, out, Tcl_NewStringObj(name.data(), static_cast<int>(name.size())));
    return out;
}

// The photo's pixels as texels: red, green, blue and alpha, opaque where
// the photo has no alpha.
Tcl_Obj *texture(Args &args)
{
    const std::string name = args.str(0), photo_name = args.str(1);
    View &view = synced(args.owner_as<View>());
    if (photo_name.empty()) {
        view.set_texture(name, nullptr);
        return Tcl_NewListObj(0, nullptr);
    }
    Tk_PhotoHandle photo = Tk_FindPhoto(args.interp, photo_name.c_str());
    if (photo == nullptr) throw Error("no photo image " + in_quotes(photo_name));
    Tk_PhotoImageBlock block{};
    Tk_PhotoGetImage(photo, &block);
    auto texture = std::make_shared<Texture>();
    texture->width = block.width;
    texture->height = block.height;
    texture->texels.resize(static_cast<std::size_t>(std::max(0, block.width)) * std::max(0, block.height));
    const bool alpha = block.pixelSize >= 4 && block.offset[3] < block.pixelSize;
    for (int y = 0; y < block.height; ++y) {
        const unsigned char *row = block.pixelPtr + static_cast<std::size_t>(y) * block.pitch;
        std::uint32_t *out = texture->texels.data() + static_cast<std::size_t>(y) * block.width;
        for (int x = 0; x < block.width; ++x) {
            const unsigned char *p = row + static_cast<std::size_t>(x) * block.pixelSize;
            out[x] = p[block.offset[0]] | std::uint32_t{p[block.offset[1]]} << 8 |
                     std::uint32_t{p[block.offset[2]]} << 16 | std::uint32_t{alpha ? p[block.offset[3]] : 0xffu} << 24;
        }
    }
    view.set_texture(name, std::move(texture));
    return wide(static_cast<std::size_t>(block.width) * block.height);
}

Tcl_Obj *sync_summary(Args &args)
{
    return summary(synced(args.owner_as<View>()));
}

Tcl_Obj *memory(Args &args)
{
    return wide(args.owner_as<View>().memory());
}

// The colours are the view's (raster.cpp); the window takes them from here.
Tcl_Obj *colours(Args &)
{
    Tcl_Obj *out = Tcl_NewListObj(0, nullptr);
    for (const NamedColour &c : view_colours()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.rgba & 0xffu, (c.rgba >> 8) & 0xffu, (c.rgba >> 16) & 0xffu);
        pair(c.name, Tcl_NewStringObj(hex, -1), out);
    }
    return out;
}

const Subcommand kViewSubcommands[] = {
    {"sync", 0, 0, "", sync_summary},
    {"draw", 11, 31, "PHOTO AZ EL SCALE CX CY CZ LEFT TOP RIGHT BOTTOM ?OPTION VALUE ...?", draw},
    {"fit", 6, 8, "AZ EL LEFT TOP RIGHT BOTTOM ?selection? ?perspective?", fit},
    {"axes", 2, 2, "AZ EL", axes},
    {"pick", 3, 4, "objects|surfaces|vertices X Y ?TOLERANCE?", pick},
    {"box", 5, 5, "objects|surfaces|vertices X0 Y0 X1 Y1", box},
    {"selected", 2, 3, "objects|surfaces|vertices ID ?INDEX?", selected},
    {"point", 2, 3, "ID INDEX ?SLOT?", point},
    {"shown", 1, 1, "SLOT", shown},
    {"textures", 0, 0, "", textures},
    {"texture", 2, 2, "NAME PHOTO", texture},
    {"memory", 0, 0, "", memory, Caller::tests},
    {"colours", 0, 0, "", colours},
};

int view_command(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[])
{
    static const TableCommand command{"::standin::view", {kViewSubcommands}, Listing::alternatives};
    return run_subcommand(command, data, interp, objc, objv);
}

}  // namespace

void register_view_command(Tcl_Interp *interp)
{
    Tcl_CreateObjCommand(interp, "::standin::view", view_command, new View,
                         [](ClientData data) { delete static_cast<View *>(data); });
}
