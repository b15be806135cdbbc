#include "modbus/session_event.h"

wxDEFINE_EVENT(EVT_MODBUS_LINK, ModbusSessionEvent);
wxDEFINE_EVENT(EVT_MODBUS_RESULT, ModbusSessionEvent);
wxDEFINE_EVENT(EVT_MODBUS_TRAFFIC, ModbusSessionEvent);

ModbusSessionEvent::ModbusSessionEvent(wxEventType type, const LinkReport &link) : wxEvent(0, type), m_link(link)
{
}

ModbusSessionEvent::ModbusSessionEvent(wxEventType type, JobResult result, std::shared_ptr<void> ticket)
    : wxEvent(0, type), m_result(std::move(result)), m_ticket(std::move(ticket))
{
}
