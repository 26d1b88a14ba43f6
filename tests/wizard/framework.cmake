# Tests of the property-sheet layer, the sheet and the pages.
