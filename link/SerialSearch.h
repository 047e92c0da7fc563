#pragma once

// The life of the serial connection: the search that sends the network discovery request and
// tries the serial ports one after the other until a device answers the handshake, reads its
// description and lists it; the 2-second status poll while connected; and the disconnect. Devices
// are listed in the registry the discovery service shares.

#include <QObject>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class CommandChannel;
class DebugLog;
class DeviceRegistry;
class SerialTransport;

class SerialSearch : public QObject
{
    Q_OBJECT
  public:
    SerialSearch(SerialTransport &transport, CommandChannel &channel, DeviceRegistry &devices, DebugLog &log,
                 QObject *parent = nullptr);

    void search();
    void disconnect();
    // GET RXEDMD to each listed serial device that asks to be polled.
    void pollStatus();

    // Connected: the state in which BitBtn_Search is disabled.
    bool connected() const { return m_connected; }
    bool searching() const { return m_searching; }
    // The last search's connected device answered its description requests (SYS_DSCPT, the
    // ND_SEL of input 1 and ND_DSCPT); without them its counts and flags are not its own.
    bool descriptionReceived() const { return m_descriptionReceived; }
    // ComboBox1's copy: the names read at the last search.
    const QStringList &portList() const { return m_portList; }

  signals:
    void networkDiscoveryRequested();
    void searchStarted();
    void portListChanged(const QStringList &ports);
    void busyChanged(bool busy);
    void connectionChanged(bool connected, bool ispMode);
    // The connected device's EDID modes can be chosen (its input 1 says so, once listed), or no
    // longer (back to Idle); with its internal, output and user counts.
    void modesAvailable(bool available, int internals, int externals, int users);
    // Back to Idle after a connection: port closed, poll stopped, list emptied.
    void returnedToIdle();
    // The four slot lists lost their device.
    void slotListsEmptied();
    // The list the pages' device is chosen from changed.
    void listChanged();
    // Something the operator must see in the main window, not only in the debug log: the port
    // was lost, or the connected device's description never arrived. Empty when a search starts.
    void linkProblem(const QString &text);

  private:
    // The steps of a search: the port list, opening one port, the handshake on it (its text, or
    // nothing when the port went away), and listing what answered (a device, or a loader: true
    // when the search ended there).
    void beginSearch();
    bool openForProbe(const QString &name);
    std::optional<std::string> handshake();
    void listDevice(const QString &name);
    bool listLoader(const QString &name, const std::string &text);
    void onPortLost();
    void finishSearch();
    void abandonProbedPort();
    void returnToIdle();
    QString productAfterTag(std::string_view text, std::size_t tagPos) const;

    SerialTransport &m_transport;
    CommandChannel &m_channel;
    DeviceRegistry &m_registry;
    DebugLog &m_log;
    QStringList m_portList;
    bool m_connected = false;
    bool m_searching = false;
    bool m_descriptionReceived = false;
    // Disconnect was pressed during an operation: it follows when the operation ends.
    bool m_disconnectPending = false;
};
