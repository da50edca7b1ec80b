import sys

from kinemorphs_show.cli import main

sys.exit(main())
