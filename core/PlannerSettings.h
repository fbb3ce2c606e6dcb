#pragma once
// What the configuration dialog changes on the agenda's planner: the slot
// length and the working hours, then a re-layout so that an open agenda
// redraws at once. The agenda registers how its planner is reached; until it
// does, the dialog only stores the values.

#include <QString>
#include <functional>

class PlannerSettings {
public:
    virtual ~PlannerSettings() = default;
    virtual void SetSlotMinutes(int minutes) = 0;      // 10, 15, 20, 30 or 60
    virtual void SetDayStart(const QString& hhnn) = 0;  // "08:00"
    virtual void SetDayEnd(const QString& hhnn) = 0;    // "20:30"
    virtual void Relayout() = 0;

    // The agenda's planner, the agenda loaded first if it is not; nullptr
    // when no agenda is registered.
    using Provider = std::function<PlannerSettings*()>;
    static void SetProvider(Provider provider) { Slot() = std::move(provider); }
    static PlannerSettings* Planner() { return Slot() ? Slot()() : nullptr; }

private:
    static Provider& Slot() {
        static Provider provider;
        return provider;
    }
};
