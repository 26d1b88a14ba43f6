// The pictures are attached to this library by the resource system.
