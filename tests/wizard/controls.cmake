# Tests of the custom controls.
