// SMTP (the local mail server), SMTP\Domains and POP3 with the numbered
// account subkeys. Walks from the tree's root key.
#pragma once

#include <string_view>

namespace kestrum {

class Configuration;
class RegistryKey;

void loadMailServer(Configuration& config, RegistryKey& root);
void saveMailServer(const Configuration& config, RegistryKey& root);
// POP3\maxnrinonepass, written on its own after the header checks.
void saveMaxNrInOnePass(const Configuration& config, std::string_view rootName);

}  // namespace kestrum
