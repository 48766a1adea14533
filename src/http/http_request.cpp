// Placeholder until this file is written.
