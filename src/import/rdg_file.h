// Group files (.rdg) of a remote desktop manager, schema 1 and schema 3 (and
// every later program version): the servers anywhere under RDCMan/file, in
// groups nested to any depth. Smart groups, virtual-machine consoles and
// references to servers are not servers and are passed over.
#pragma once

#include <vector>

#include "import/data_protection.h"
#include "import/imported_server.h"
#include "import/xml_element.h"

namespace rdc {

// The servers of a group file whose root element is `root` ("RDCMan"), in
// document order. The port (connectionSettings) and the credentials
// (logonCredentials, or the file's credentialsProfiles for scope="File") are
// each taken from the server or, with inherit="FromParent" or when absent,
// from the nearest group above that sets them. "[server]" and "[display]" in
// the user name and domain stand for the host and the display name. Passwords
// are opened with `protection`, taken as they are when stored as clear text,
// and left unopened when a certificate protects them.
std::vector<ImportedServer> ReadRdgFile(const XmlElement& root, DataProtection& protection);

}  // namespace rdc
