#pragma once

#include "netstat/conn_list_platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QListWidget;
class QWidget;

namespace vornel {

class TQuelmarIpConnectionList;

// The lines of the ports page from the rows the reader holds, in its order:
// each TCP row that listens ("Port 80 en écoute") or is connected ("Port
// 1042 connecté"), followed by " : " and the port's name when names has one.
// names may be shorter than 65536 entries; a port past its end has no name.
std::vector<std::string> portLines(const TQuelmarIpConnectionList& connections,
                                   const std::vector<std::string>& names);
// The same lines handed over one by one, each in the same string (valid
// until the next line), without a string kept per line.
void eachPortLine(const TQuelmarIpConnectionList& connections,
                  const std::vector<std::string>& names,
                  const std::function<void(const std::string&)>& take);

// The refresh of the scan tick while the ports page is chosen: a fresh
// snapshot, then lbPorts rebuilt whole in one batch update, its selection
// kept by position. Any failure is dropped and the list keeps what it showed;
// without a reader nothing happens.
void refreshPortList(QListWidget* lbPorts, TQuelmarIpConnectionList* connections,
                     const std::vector<std::string>& names);

// lbPorts as the page shows it: two columns of 13-pixel rows, filled top to
// bottom, then left to right.
void setUpPortList(QListWidget* lbPorts);

// The main window's reader, owned by owner; when it cannot be made, null,
// after the error box has said why.
TQuelmarIpConnectionList*
createConnectionList(QWidget* owner,
                     std::unique_ptr<ConnListPlatform> platform = makeConnListPlatform());

} // namespace vornel
