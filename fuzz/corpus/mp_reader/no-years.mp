Cell length 3 km
Pop 1,0,0
Migration
Pop. ALL
Pop. 1
