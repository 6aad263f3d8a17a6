#pragma once

// The objects the hub form works with, built by the program entry before any window.

namespace zul {

class DebugLog;
class DisplayListener;
class IptalkCooperation;
class LineList;
class OperatorConnection;
class PeerList;
class UdpDiscovery;
class Dialogs;
class ErrorSink;
class PacketExecutor;
class PacketMirror;
class SettingsFile;
class StatusBroadcaster;
struct HubState;
struct Settings;

struct HubContext {
    Settings& settings;
    HubState& hub;
    DebugLog& log;
    Dialogs& dialogs;
    SettingsFile& settingsFile;
    ErrorSink& errors;
    StatusBroadcaster& status;
    PacketExecutor& executor;
    DisplayListener& listener;
    OperatorConnection& connection;
    PacketMirror& mirror;
    UdpDiscovery& udp;
    PeerList& peers;
    LineList& strList;
    LineList& webList;
    IptalkCooperation& iptalk;
};

}  // namespace zul
