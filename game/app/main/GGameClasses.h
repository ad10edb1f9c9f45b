#pragma once

// The registration of the game's node classes with the node factory, each
// under its class name. It names classes of every game library, so it sits
// above all of them.

// The classes the first scene files need, before any is read.
void registerStartClasses();
// Every game class; the start-up ones again, which changes nothing.
void registerAllGameClasses();
