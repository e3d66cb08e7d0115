// The host's lifecycle of gauges: placing, updating, evaluating, clicking, removing.
#include "host/core/panel_host.h"

#include <climits>
#include <cstring>

#include "host/base/input_file.h"
#include "host/core/host_platform.h"
#include "host/core/mouse_rects.h"
#include "host/core/services.h"

PanelHost::PanelHost(HostOptions options) {
    trace_.set_enabled(options.trace);
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
    // Loading a FIFO or a device would wait for it; a module larger than any build is refused.
    std::string refused;
    if (!check_input_file(path, MODULE_FILE, refused)) return diagnostics.error(path, 0, refused), false;
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
    if (!module_) return nullptr;
    for (GaugeHeader* gauge : module_->linkage()->gauges) {
        if (!gauge) break;
        if (gauge->name && name == gauge->name) return gauge;
    }
    return nullptr;
}

namespace {

void collect(ElementHeader* element, std::vector<ElementState>& out) {
    if (!element) return;
    out.push_back(element_state(element, static_cast<int>(out.size()) + 1));
    if (element->children)
        for (ElementHeader** child = element->children; *child; ++child) collect(*child, out);
}

}  // namespace

int PanelHost::place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
                     int32_t window) {
    GaugeHeader* gauge = find_gauge(name);
    if (!gauge) {
        diagnostics.error("unknown gauge \"" + name + "\" (the module has no gauge of that name)");
        return -1;
    }
    if (next_id_ == INT_MAX) {
        diagnostics.error("this host has placed " + std::to_string(INT_MAX - 1) +
                          " gauges, every placement id it has: start a new one");
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

    trace_.add("install").text("gauge", name).num("id", placed.id);
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
    if (Placement* p = placement(id)) frame(*p);
}

void PanelHost::frame(Placement& p) {
    prepare(p);
    ActiveHost active(this);
    trace_.add("update").text("gauge", p.name).num("id", p.id);
    if (p.gauge->gauge_callback) p.gauge->gauge_callback(p.gauge, SERVICE_UPDATE, 0);
    evaluate(p);
    current_ = nullptr;
}

void PanelHost::frame_all() {
    for (auto& p : placements_) frame(*p);
}

void PanelHost::evaluate(Placement& p) {
    for (ElementState& state : p.elements) {
        evaluate_element(p, state);
        state.element->image_flags |= IMAGE_ON_SCREEN;  // drawn: the element is on screen
    }
}

void PanelHost::unknown_binding(ModuleVar& var) {
    var.value.f64 = 0.0;
    fault("element bound to unknown variable " + std::to_string(var.token));
}

// The element's row says what it binds and which values it takes; a kind with a
// callback traces the value it gave, a change of its flags, and the text it wrote.
void PanelHost::evaluate_element(Placement& p, ElementState& state) {
    const ElementKind* kind = state.kind;
    if (!kind || kind->value_binding < 0) return;  // no bindings, no value
    ElementHeader* element = state.element;
    // Every binding refreshed from the store, and its number taken.
    const Variables& vars = aircraft_.vars();
    double numbers[kMaxBindings];
    for (int i = 0; i < state.binding_count; ++i) {
        const Binding& binding = state.bindings[i];
        ModuleVar& var = *binding.var;
        if (binding.slot.known()) {
            vars.fill(binding.slot, var);
            numbers[i] = vars.number(binding.slot);
        } else {
            if (var.token != 0) unknown_binding(var);
            numbers[i] = var.value.f64;  // unbound: the value word as the record holds it
        }
    }
    if (kind->other_values) kind->other_values(state, numbers);
    if (kind->writes_text) give_text_buffer(state);
    const ValueCallback callback = kind->callback ? kind->callback(*element) : nullptr;
    if (!callback) {
        state.value = numbers[kind->value_binding];
        return;
    }
    const uint32_t flags_before = element->image_flags;
    state.value = callback(element);
    trace_.add("value").text("gauge", p.name).num("element", state.index).real("value", state.value);
    if (element->image_flags != flags_before)
        trace_.add("flags").text("gauge", p.name).num("element", state.index).hex("flags", element->image_flags);
    if (kind->writes_text) {
        state.text.assign(state.text_buffer.data(), strnlen(state.text_buffer.data(), state.text_buffer.size()));
        trace_.add("text").text("gauge", p.name).num("element", state.index).text("text", state.text);
    }
}

bool PanelHost::hidden(const Placement& placement) const {
    return placement.panel_window >= 0 && aircraft_.window_closed(placement.window);
}

bool PanelHost::click(int id, int x, int y, uint32_t mouse_flags) {
    Placement* p = placement(id);
    if (!p || !p->gauge->mouse_rects || hidden(*p)) return false;
    return walk_mouse_rects(p->gauge->mouse_rects, [&](const MouseRect& rect, int index, int left, int top) {
        const bool inside = x >= left && x < left + rect.box_w && y >= top && y < top + rect.box_h;
        if (rect.kind != MOUSE_CHILD || !inside || (rect.mouse_flags & mouse_flags) == 0) return false;
        trace_.add("click").text("gauge", p->name).num("x", x).num("y", y).num("rect", index);
        if (rect.event_id) {
            if (!host_event(rect.event_id, 0)) fault("unknown event " + std::to_string(rect.event_id));
        } else if (rect.handler) {
            prepare(*p);
            ActiveHost active(this);
            ClickRecord record{};
            record.gauge = p->gauge;
            const int32_t result = rect.handler(&record, mouse_flags);
            current_ = nullptr;
            trace_.add("handler").text("gauge", p->name).num("rect", index).num("result", result);
        }
        return true;
    });
}

void PanelHost::kill(Placement& p) {
    if (!p.installed) return;
    trace_.add("kill").text("gauge", p.name).num("id", p.id);
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
    ++events_sent_;
    trace_.add("send_event").num("id", event_id).num("value", value);
    if (!aircraft_.carry_out(event_id, value)) fault("unknown event " + std::to_string(event_id));
}

bool PanelHost::host_event(uint32_t event_id, uint32_t value) {
    trace_.add("host_event").num("id", event_id).num("value", value);
    return aircraft_.carry_out(event_id, value);
}

void PanelHost::service_read_var(ModuleVar* var) {
    if (!var) {
        fault("read_var called with no variable");
        return;
    }
    const VarSlot slot = Variables::slot(var->token);
    aircraft_.vars().fill(slot, *var);
    if (!slot.known()) fault("read of unknown variable " + std::to_string(var->token));
    trace_.add("read_var").num("token", var->token).real("value", aircraft_.vars().number(slot));
}

void PanelHost::service_close_panel_window(int32_t window) {
    trace_.add("close_panel_window").num("window", window);
    const int32_t ident = window == 0 && current_ ? current_->window : window;
    aircraft_.close_window(ident);
}

void PanelHost::service_unexpected(int index) { fault("unexpected service " + std::to_string(index)); }

void PanelHost::fault(const std::string& what) {
    errors_.push_back(what);
    trace_.add("fault").text("what", what);
}
