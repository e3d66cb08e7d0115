// The host's lifecycle of gauges: placing, updating, evaluating, clicking, removing.
#include "host/core/panel_host.h"

#include <cstring>

#include "host/core/host_platform.h"
#include "host/core/services.h"

PanelHost::PanelHost() {
    aircraft_.set_trace(&trace_);
    prepare_host_platform();
}

PanelHost::~PanelHost() {
    while (!placements_.empty()) remove(placements_.back()->id);
    if (module_) {
        ActiveHost active(this);
        if (module_->linkage()->deinit) module_->linkage()->deinit();
    }
}

bool PanelHost::load_module(const std::string& path, Diagnostics& diagnostics) {
    module_ = ModuleLibrary::open(path, diagnostics);
    if (!module_) return false;
    ModuleImports* imports = module_->imports();
    if (imports->table_id != PANEL_SERVICES_ID) {
        diagnostics.error(path, 0, "ImportTable does not ask for the panel service table");
        module_.reset();
        return false;
    }
    imports->table = panel_services();
    ActiveHost active(this);
    if (module_->linkage()->init) module_->linkage()->init();
    return true;
}

std::vector<GaugeHeader*> PanelHost::gauges() const {
    std::vector<GaugeHeader*> out;
    if (!module_) return out;
    for (GaugeHeader* gauge : module_->linkage()->gauges) {
        if (!gauge) break;
        out.push_back(gauge);
    }
    return out;
}

GaugeHeader* PanelHost::find_gauge(const std::string& name) const {
    for (GaugeHeader* gauge : gauges())
        if (gauge->name && name == gauge->name) return gauge;
    return nullptr;
}

namespace {

void collect(ElementHeader* element, std::vector<ElementState>& out) {
    if (!element) return;
    ElementState state;
    state.element = element;
    state.index = static_cast<int>(out.size()) + 1;
    out.push_back(state);
    if (element->children)
        for (ElementHeader** child = element->children; *child; ++child) collect(*child, out);
}

double var_number(const ModuleVar& var) {
    const TokenInfo* info = find_token(var.token);
    if (info && info->kind == VarKind::U32) return var.value.u32;
    return var.value.f64;
}

}  // namespace

int PanelHost::place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
                     int32_t window) {
    GaugeHeader* gauge = find_gauge(name);
    if (!gauge) {
        diagnostics.error("unknown gauge \"" + name + "\" (the module has no gauge of that name)");
        return -1;
    }
    auto p = std::make_unique<Placement>();
    p->id = next_id_++;
    p->gauge = gauge;
    p->name = name;
    p->window = window;
    if (parameters) {
        // Exactly the text and its terminating zero: a module that reads past the zero
        // reads past the buffer, where the sanitizers see it.
        p->parameters.emplace(parameters->size() + 1, '\0');
        std::memcpy(p->parameters->data(), parameters->data(), parameters->size());
    }
    if (gauge->elements) collect(*gauge->elements, p->elements);
    placements_.push_back(std::move(p));
    Placement& placed = *placements_.back();

    trace_.add(TraceLine("install").text("gauge", name).num("id", placed.id));
    prepare(placed);
    prepare_host_platform();
    ActiveHost active(this);
    if (gauge->gauge_callback) gauge->gauge_callback(gauge, SERVICE_INSTALL, module_->instance());
    current_ = nullptr;
    placed.installed = true;
    return placed.id;
}

void PanelHost::prepare(Placement& p) {
    p.gauge->parameters = p.parameters ? p.parameters->data() : nullptr;
    current_ = &p;
}

void PanelHost::frame(int id) {
    Placement* p = placement(id);
    if (!p) return;
    prepare(*p);
    ActiveHost active(this);
    trace_.add(TraceLine("update").text("gauge", p->name).num("id", p->id));
    if (p->gauge->gauge_callback) p->gauge->gauge_callback(p->gauge, SERVICE_UPDATE, 0);
    evaluate(*p);
    current_ = nullptr;
}

void PanelHost::frame_all() {
    for (auto& p : placements_) frame(p->id);
}

void PanelHost::evaluate(Placement& p) {
    for (ElementState& state : p.elements) {
        evaluate_element(p, state);
        state.element->image_flags |= IMAGE_ON_SCREEN;  // drawn: the element is on screen
    }
}

void PanelHost::refresh_vars(ElementHeader* element) {
    auto refresh = [this](ModuleVar& var) {
        if (var.token == 0) return;
        if (!aircraft_.vars().fill(var)) fault("element bound to unknown variable " + std::to_string(var.token));
    };
    switch (element->kind) {
        case ELEMENT_NEEDLE: refresh(reinterpret_cast<Needle*>(element)->source); break;
        case ELEMENT_ICON: refresh(reinterpret_cast<Icon*>(element)->source); break;
        case ELEMENT_STRING:
            for (ModuleVar& var : reinterpret_cast<StringElement*>(element)->sources) refresh(var);
            break;
        case ELEMENT_MOVING_IMAGE:
            refresh(reinterpret_cast<MovingImage*>(element)->source_x);
            refresh(reinterpret_cast<MovingImage*>(element)->source_y);
            break;
        case ELEMENT_SPRITE:
            refresh(reinterpret_cast<Sprite*>(element)->source_x);
            refresh(reinterpret_cast<Sprite*>(element)->source_y);
            refresh(reinterpret_cast<Sprite*>(element)->source_angle);
            break;
        default: break;
    }
}

void PanelHost::evaluate_element(Placement& p, ElementState& state) {
    ElementHeader* element = state.element;
    refresh_vars(element);
    ValueCallback callback = nullptr;
    const ModuleVar* first = nullptr;
    switch (element->kind) {
        case ELEMENT_NEEDLE:
            callback = reinterpret_cast<Needle*>(element)->callback;
            first = &reinterpret_cast<Needle*>(element)->source;
            break;
        case ELEMENT_ICON:
            callback = reinterpret_cast<Icon*>(element)->callback;
            first = &reinterpret_cast<Icon*>(element)->source;
            break;
        case ELEMENT_STRING: {
            auto* string = reinterpret_cast<StringElement*>(element);
            callback = string->callback;
            first = &string->sources[0];
            p.text_buffer.assign(static_cast<size_t>(string->char_count) + 1, '\0');
            string->text = p.text_buffer.data();
            break;
        }
        case ELEMENT_MOVING_IMAGE: {
            auto* moving = reinterpret_cast<MovingImage*>(element);
            callback = moving->callback_y;
            first = &moving->source_y;
            state.value_x = var_number(moving->source_x);
            break;
        }
        case ELEMENT_SPRITE: {
            auto* sprite = reinterpret_cast<Sprite*>(element);
            state.value_x = var_number(sprite->source_x);
            state.value_y = var_number(sprite->source_y);
            state.angle = var_number(sprite->source_angle);
            state.value = state.angle;
            return;
        }
        default: return;
    }
    if (!callback) {
        state.value = var_number(*first);
        return;
    }
    const uint32_t flags_before = element->image_flags;
    state.value = callback(element);
    trace_.add(TraceLine("value").text("gauge", p.name).num("element", state.index).real("value", state.value));
    if (element->image_flags != flags_before)
        trace_.add(
            TraceLine("flags").text("gauge", p.name).num("element", state.index).hex("flags", element->image_flags));
    if (element->kind == ELEMENT_STRING) {
        state.text.assign(p.text_buffer.data(), strnlen(p.text_buffer.data(), p.text_buffer.size()));
        trace_.add(TraceLine("text").text("gauge", p.name).num("element", state.index).text("text", state.text));
    }
}

bool PanelHost::click(int id, int x, int y, uint32_t mouse_flags) {
    Placement* p = placement(id);
    if (!p || !p->gauge->mouse_rects) return false;
    struct Origin {
        int x, y;
    };
    std::vector<Origin> open;  // origins of the parents still open
    int index = 0;
    for (MouseRect* rect = p->gauge->mouse_rects; rect->kind != MOUSE_END; ++rect, ++index) {
        const Origin base = open.empty() ? Origin{0, 0} : open.back();
        if (rect->kind == MOUSE_PARENT) {
            open.push_back({base.x + rect->box_x, base.y + rect->box_y});
        } else if (rect->kind == MOUSE_PARENT_END) {
            if (!open.empty()) open.pop_back();
        } else if (rect->kind == MOUSE_CHILD) {
            const int left = base.x + rect->box_x, top = base.y + rect->box_y;
            const bool inside = x >= left && x < left + rect->box_w && y >= top && y < top + rect->box_h;
            if (!inside || (rect->mouse_flags & mouse_flags) == 0) continue;
            trace_.add(TraceLine("click").text("gauge", p->name).num("x", x).num("y", y).num("rect", index));
            if (rect->event_id) {
                host_event(rect->event_id, 0);
            } else if (rect->handler) {
                prepare(*p);
                ActiveHost active(this);
                ClickRecord record{};
                record.gauge = p->gauge;
                const int32_t result = rect->handler(&record, mouse_flags);
                current_ = nullptr;
                trace_.add(TraceLine("handler").text("gauge", p->name).num("rect", index).num("result", result));
            }
            return true;
        }
    }
    return false;
}

void PanelHost::kill(Placement& p) {
    if (!p.installed) return;
    trace_.add(TraceLine("kill").text("gauge", p.name).num("id", p.id));
    prepare(p);
    ActiveHost active(this);
    if (p.gauge->gauge_callback) p.gauge->gauge_callback(p.gauge, SERVICE_KILL, 0);
    current_ = nullptr;
    p.installed = false;
}

void PanelHost::remove(int id) {
    for (auto it = placements_.begin(); it != placements_.end(); ++it) {
        if ((*it)->id != id) continue;
        kill(**it);
        placements_.erase(it);
        return;
    }
}

Placement* PanelHost::placement(int id) {
    for (auto& p : placements_)
        if (p->id == id) return p.get();
    return nullptr;
}

Placement* PanelHost::placement(const std::string& name) {
    for (auto& p : placements_)
        if (p->name == name) return p.get();
    return nullptr;
}

void PanelHost::service_send_event(uint32_t event_id, uint32_t value) {
    trace_.add(TraceLine("send_event").num("id", event_id).num("value", value));
    if (!aircraft_.carry_out(event_id, value)) fault("unknown event " + std::to_string(event_id));
}

void PanelHost::host_event(uint32_t event_id, uint32_t value) {
    trace_.add(TraceLine("host_event").num("id", event_id).num("value", value));
    if (!aircraft_.carry_out(event_id, value)) fault("unknown event " + std::to_string(event_id));
}

void PanelHost::service_read_var(ModuleVar* var) {
    if (!var) {
        fault("read_var called with no variable");
        return;
    }
    if (!aircraft_.vars().fill(*var)) fault("read of unknown variable " + std::to_string(var->token));
    trace_.add(TraceLine("read_var").num("token", var->token).real("value", aircraft_.vars().number(var->token)));
}

void PanelHost::service_close_panel_window(int32_t window) {
    trace_.add(TraceLine("close_panel_window").num("window", window));
    const int32_t ident = window == 0 && current_ ? current_->window : window;
    aircraft_.close_window(ident);
}

void PanelHost::service_unexpected(int index) { fault("unexpected service " + std::to_string(index)); }

void PanelHost::fault(const std::string& what) {
    errors_.push_back(what);
    trace_.add(TraceLine("fault").text("what", what));
}
