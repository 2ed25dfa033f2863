km
Pop 1,0,0
Migration
Pop. ALL
1
2
3
Pop. 1
1
2
3
