// Placeholder until this subsystem lands.
namespace morvane {}
