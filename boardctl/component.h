// Housing of the component: the object a host holds for one Vantrel, the class object, the count
// of live objects behind the unload query, and the exported entry points (component.cpp).
#pragma once

#include <vantrelkit/vantrelkit.h>

namespace vantrelkit {

class Vantrel;

// The host's handle on one Vantrel. It lives inside the widget and goes with it.
class ControlObject final : public IControl {
public:
    explicit ControlObject(Vantrel& vantrel) : vantrel_(vantrel) {}

    std::int32_t invoke(std::int32_t dispid, InvokeKind kind, const Variant* args, int argc,
                        Variant* result, ExcepInfo* excep) override;
    QWidget* window() override;
    void advise(IEventSink* sink) override;
    void initNew() override;
    void load() override;
    void save() override;
    void release() override;

private:
    Vantrel& vantrel_;
};

// Objects of this library that a host may still reach (controls, the about box). The library may
// be unloaded only when none lives.
void addLiveObject();
void removeLiveObject();

} // namespace vantrelkit
